// A core runtime stand-in that accepts the loader's protocol version and whose start entry
// prints what it was handed, so that a test can see the image arrive intact.
#include <cstdio>

#include "runtime/abi.h"

namespace {

int32_t Start(const void* image, uint32_t image_size) {
    const auto* bytes = static_cast<const unsigned char*>(image);
    std::printf("start size=%u bytes=", image_size);
    for (uint32_t i = 0; i < image_size && i < 16; ++i) std::printf("%02x", bytes[i]);
    std::printf("\n");
    // Non-zero on purpose: the loader's exit code must not depend on it.
    return 7;
}

}  // namespace

extern "C" QX_EXPORT QxStartEntry GetNewSock(int32_t protocol) {
    return protocol == QX_HANDOFF_VERSION ? &Start : nullptr;
}
