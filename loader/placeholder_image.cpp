// A one-byte stand-in for the program image, for the loader-only Windows build, which has no
// image writer: it lets the Win32 entry link and run up to the hand-off.
#include <cstdint>

extern "C" unsigned char kQuorixProgramImage[];
extern "C" const uint32_t kQuorixProgramImageSize;

unsigned char kQuorixProgramImage[] = {0};
const uint32_t kQuorixProgramImageSize = sizeof kQuorixProgramImage;
