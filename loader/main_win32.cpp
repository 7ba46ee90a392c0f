// The program's entry on Windows: run the loader over the program image built into the
// executable and end the process with its exit code.
#include <cstdint>

#include "loader/loader.h"
#include "loader/platform_win32.h"

extern "C" unsigned char kQuorixProgramImage[];
extern "C" const uint32_t kQuorixProgramImageSize;

int main() {
    quorix::loader::Win32Platform platform;
    return quorix::loader::RunLoader(platform, kQuorixProgramImage, kQuorixProgramImageSize);
}
