// Fuzzes the program-image reader: any bytes are either refused with an error or read into an
// image that writes back to the same bytes it was read from (up to the end of its fix-up lists).
#include <cstdint>
#include <cstdlib>
#include <span>

#include "image/program_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto image = quorix::image::ReadImage(std::span<const uint8_t>(data, size));
    if (!image) return 0;
    auto written = quorix::image::WriteImage(*image);
    if (!written) std::abort();  // an image the reader accepts must be writable
    if (written->size() > size) std::abort();
    for (size_t i = 0; i < written->size(); ++i) {
        if ((*written)[i] != data[i]) std::abort();
    }
    return 0;
}
