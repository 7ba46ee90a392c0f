#include "host/krnln/controls/color_reduction.h"

#include <dlfcn.h>
#include <libimagequant.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace quorix::host {
namespace {

// How long libimagequant searches for the palette (speed 1 to 10: 1 the longest) by the size
// of the picture, so that a reduction stays well within a quarter of a second up to a board of
// 1024 x 1024 and is still closer to the original than ImageMagick's `-colors N +dither`
// (bench/color_reduction_bench). Speed 8 and above skip the k-means refinement and posterize
// the input by a bit: fast, but on a photo hardly closer than ImageMagick.
int SpeedFor(qsizetype pixels) {
    if (pixels <= 512 * 512) return 3;
    if (pixels <= 1024 * 1024) return 7;
    return 8;  // up to 4096 x 4096: under a second
}

// libimagequant runs its loops on OpenMP threads. Here they gain little, and on a busy machine
// they spin waiting for each other: a 600 x 400 photo took 110 ms on one thread and 150 to
// 510 ms on two. One thread also makes the result the same on every run. The OpenMP runtime
// is libimagequant's own (it links it), so it is found at run time, whatever compiler built
// this file.
void UseOneThread() {
    using SetThreads = void (*)(int);
    static const auto set_threads =
        reinterpret_cast<SetThreads>(dlsym(RTLD_DEFAULT, "omp_set_num_threads"));
    // Per thread: the setting holds for the work this thread starts.
    if (set_threads != nullptr) set_threads(1);
}

struct LiqDeleter {
    void operator()(liq_attr* a) const { liq_attr_destroy(a); }
    void operator()(liq_image* i) const { liq_image_destroy(i); }
    void operator()(liq_result* r) const { liq_result_destroy(r); }
};
template <typename T>
using LiqPtr = std::unique_ptr<T, LiqDeleter>;

// libimagequant asks as it goes whether to go on: 1 continues, 0 ends the work.
int GoOn(float, void* cancel) {
    return static_cast<const std::atomic<bool>*>(cancel)->load(std::memory_order_relaxed) ? 0 : 1;
}

// How many colours an RGB32 picture has, counted up to `limit` + 1: a small open-addressing set
// that gives up at the first colour too many (a photo does so within its first few rows).
int CountColors(const QImage& picture, int limit) {
    constexpr size_t kSlots = 1024;  // more than four times the largest limit
    std::array<QRgb, kSlots> colour_at{};
    std::array<bool, kSlots> used{};
    int count = 0;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        QRgb last = 0;
        bool have_last = false;
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = line[x] | 0xFF000000u;
            if (have_last && c == last) continue;  // runs of one colour are common
            last = c;
            have_last = true;
            size_t i = (c * 0x9E3779B1u) >> 22;
            while (used[i] && colour_at[i] != c) i = (i + 1) & (kSlots - 1);
            if (used[i]) continue;
            if (++count > limit) return count;
            used[i] = true;
            colour_at[i] = c;
        }
    }
    return count;
}

// A picture in at most 256 colours: each pixel's index into the palette.
struct Indexed {
    std::vector<unsigned char> indices;
    std::array<QRgb, 256> colour_of{};
};

// libimagequant's palette of at most `colours` for an RGBX8888 picture and the picture remapped
// to it, or nothing when it fails or is cancelled.
std::optional<Indexed> Quantize(const QImage& rgba, int colours, bool dither,
                                const std::atomic<bool>* cancel) {
    const int width = rgba.width(), height = rgba.height();
    UseOneThread();
    LiqPtr<liq_attr> attr(liq_attr_create());
    if (!attr) return std::nullopt;
    liq_set_max_colors(attr.get(), colours);
    liq_set_speed(attr.get(), SpeedFor(qsizetype{width} * height));
    void* go_on = const_cast<std::atomic<bool>*>(cancel);
    if (cancel != nullptr) liq_attr_set_progress_callback(attr.get(), &GoOn, go_on);
    std::vector<void*> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        rows[static_cast<size_t>(y)] = const_cast<uchar*>(rgba.constScanLine(y));
    }
    // 0: the pixels are sRGB, as every picture on the board is.
    LiqPtr<liq_image> image(liq_image_create_rgba_rows(attr.get(), rows.data(), width, height, 0));
    if (!image) return std::nullopt;
    liq_result* raw = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK) return std::nullopt;
    LiqPtr<liq_result> result(raw);
    if (cancel != nullptr) liq_result_set_progress_callback(result.get(), &GoOn, go_on);
    liq_set_dithering_level(result.get(), dither ? 1.0f : 0.0f);
    Indexed indexed;
    indexed.indices.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    if (liq_write_remapped_image(result.get(), image.get(), indexed.indices.data(),
                                 indexed.indices.size()) != LIQ_OK) {
        return std::nullopt;
    }
    if (cancel != nullptr && cancel->load()) return std::nullopt;
    // The palette is read after the remapping, which refines it.
    const liq_palette* palette = liq_get_palette(result.get());
    for (unsigned i = 0; i < palette->count && i < 256; ++i) {
        const liq_color c = palette->entries[i];
        indexed.colour_of[i] = qRgb(c.r, c.g, c.b);
    }
    return indexed;
}

// The picture of `width` x `height` pixels an indexed picture stands for, with the number of
// distinct colours it uses.
ReducedPicture Painted(const Indexed& indexed, int width, int height) {
    ReducedPicture reduced{QImage(width, height, QImage::Format_RGB32), 0};
    std::array<bool, 256> used{};
    const unsigned char* index = indexed.indices.data();
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(reduced.picture.scanLine(y));
        for (int x = 0; x < width; ++x, ++index) {
            line[x] = indexed.colour_of[*index];
            used[*index] = true;
        }
    }
    // Two palette entries can come out as the same colour.
    std::vector<QRgb> distinct;
    for (size_t i = 0; i < used.size(); ++i) {
        const QRgb colour = indexed.colour_of[i];
        if (used[i] && std::find(distinct.begin(), distinct.end(), colour) == distinct.end())
            distinct.push_back(colour);
    }
    reduced.colours = static_cast<int>(distinct.size());
    return reduced;
}

}  // namespace

int ClampColors(int colours) {
    return std::clamp(colours, kFewestColors, kMostColors);
}

ReducedPicture ReduceColors(const QImage& picture, int colours, bool dither,
                            const std::atomic<bool>* cancel) {
    colours = ClampColors(colours);
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull()) return {};
    const int present = CountColors(rgb, colours);
    if (present <= colours) return {rgb, present};
    const QImage rgba = rgb.convertToFormat(QImage::Format_RGBX8888);
    const std::optional<Indexed> indexed = Quantize(rgba, colours, dither, cancel);
    if (!indexed) return {};
    return Painted(*indexed, rgba.width(), rgba.height());
}

}  // namespace quorix::host
