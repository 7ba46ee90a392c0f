// Reducing a picture to a few colours (libimagequant, the library behind pngquant): a palette
// chosen for the picture, and every pixel mapped to it, with or without dithering.
#pragma once

#include <QImage>
#include <atomic>

namespace quorix::host {

// The number of colours a reduction takes, and what a number outside that range becomes.
constexpr int kFewestColors = 2;
constexpr int kMostColors = 256;
int ClampColors(int colours);

struct ReducedPicture {
    QImage picture;   // Format_RGB32, the size of the input; null when cancelled or failed
    int colours = 0;  // distinct colours the picture has now
};

// The picture with at most `colours` colours (clamped to 2..256). A picture that has no more
// colours than that already comes back unchanged, so reducing twice changes nothing more.
// With `dither` the error of each pixel is spread over its neighbours. `cancel`, when given
// and set meanwhile, ends the work early with a null picture.
ReducedPicture ReduceColors(const QImage& picture, int colours, bool dither,
                            const std::atomic<bool>* cancel = nullptr);

}  // namespace quorix::host
