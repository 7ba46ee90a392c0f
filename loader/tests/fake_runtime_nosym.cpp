// A library that is loadable but is no core runtime: it exports no GetNewSock.
#include "runtime/abi.h"

extern "C" QX_EXPORT int32_t GetOldSock(int32_t protocol) {
    return protocol;
}
