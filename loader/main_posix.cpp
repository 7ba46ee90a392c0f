// The program's entry on POSIX systems: run the loader over the program image built into the
// executable. A failure returns -1, which the process reports as exit status 255.
#include <cstdint>

#include "loader/loader.h"
#include "loader/platform_posix.h"

extern "C" unsigned char kQuorixProgramImage[];
extern "C" const uint32_t kQuorixProgramImageSize;

int main() {
    quorix::loader::PosixPlatform platform;
    return quorix::loader::RunLoader(platform, kQuorixProgramImage, kQuorixProgramImageSize);
}
