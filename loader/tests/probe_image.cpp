// A small program image with recognisable bytes for the loader_probe executable.
#include <cstdint>

extern "C" unsigned char kQuorixProgramImage[];
extern "C" const uint32_t kQuorixProgramImageSize;

unsigned char kQuorixProgramImage[] = {'Q', 'X', 'I', 'M', 0x00, 0xFF, 0x5A};
const uint32_t kQuorixProgramImageSize = sizeof kQuorixProgramImage;
