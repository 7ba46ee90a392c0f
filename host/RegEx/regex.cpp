#include "host/library_commands.h"

namespace quorix::host {

uint64_t RegExCommand(Runtime&, uint32_t, const ArgView&) {
    return 0;
}

}  // namespace quorix::host
