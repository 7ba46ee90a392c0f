#include "app/window_contents.h"

namespace quorix::app {

std::string TypeBlockOf(Unit) {
    return {};
}

}  // namespace quorix::app
