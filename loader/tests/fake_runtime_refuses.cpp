// A core runtime stand-in that refuses every protocol version.
#include "runtime/abi.h"

extern "C" QX_EXPORT QxStartEntry GetNewSock(int32_t /*protocol*/) {
    return nullptr;
}
