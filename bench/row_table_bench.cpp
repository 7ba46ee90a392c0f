// The ColorTable on its own, at a photo's size: the lookups of step one (find, append when
// new) and of step two (find, read the characters), each with and without the scan telling
// the table of the colour eight pixels ahead, as the board does. Prints nanoseconds per pixel.
//
//   row_table_bench [side [told|plain]]   (1024 and both at first: a 1024 x 1024 photo, nearly
//   a colour per pixel)
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "host/iext/row_table.h"
#include "host/krnln/colour_lookahead.h"

namespace quorix {
namespace {

using host::ColourLookahead;
using host::RowTable;

struct Text {
    char bytes[16];
    size_t size;
    std::string_view view() const { return {bytes, size}; }
};

Text TextOf(int32_t colour) {
    Text t;
    t.size = size_t(std::to_chars(t.bytes, t.bytes + sizeof t.bytes, colour).ptr - t.bytes);
    return t;
}

// A photo's pixels: gradients with noise, so that neighbours differ and most colours are new.
std::vector<int32_t> Photo(int side) {
    std::mt19937 rng(42);
    std::normal_distribution<double> noise(0.0, 12.0);
    auto channel = [&](double v) { return std::clamp(static_cast<int>(v + noise(rng)), 0, 255); };
    std::vector<int32_t> pixels;
    pixels.reserve(size_t(side) * side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const int r = channel(255.0 * x / side), g = channel(255.0 * y / side),
                      b = channel(255.0 * (x + y) / (2.0 * side));
            pixels.push_back(r | (g << 8) | (b << 16));
        }
    }
    return pixels;
}

double NsPerPixel(std::chrono::steady_clock::time_point since, size_t pixels) {
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - since)
               .count() /
           double(pixels);
}

// Step one then step two over `pixels`; returns the nanoseconds per pixel of each.
std::pair<double, double> Steps(RowTable& table, const std::vector<int32_t>& pixels, bool tell) {
    const size_t n = pixels.size();
    constexpr size_t kAhead = ColourLookahead::kPixelsAhead;
    auto ahead = [&](size_t i) {
        if (tell && i + kAhead < n) table.Anticipate(TextOf(pixels[i + kAhead]).view());
    };
    table.Clear();
    auto t = std::chrono::steady_clock::now();
    for (size_t i = 0; i < n; ++i) {
        ahead(i);
        const Text text = TextOf(pixels[i]);
        if (table.Find(text.view()) < 0) table.Append(text.view());
    }
    for (int row = 0; row < table.size(); ++row) {
        const char digits[2] = {char('0' + row % 10), char('0' + row / 10 % 10)};
        table.SetCell(row, 1, {digits, 2});
    }
    const double one = NsPerPixel(t, n);
    size_t bytes = 0;
    t = std::chrono::steady_clock::now();
    for (size_t i = 0; i < n; ++i) {
        ahead(i);
        bytes += table.Cell(table.Find(TextOf(pixels[i]).view()), 1).size();
    }
    const double two = NsPerPixel(t, n);
    if (bytes != 2 * n) std::printf("  (%zu characters, not %zu)\n", bytes, 2 * n);
    return {one, two};
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    const int side = argc > 1 ? std::atoi(argv[1]) : 1024;
    const std::string only = argc > 2 ? argv[2] : "";
    const std::vector<int32_t> pixels = quorix::Photo(side);
    for (int round = 0; round < 3; ++round) {
        for (const bool tell : {false, true}) {
            if (only == (tell ? "plain" : "told")) continue;
            quorix::host::RowTable table;
            table.set_columns(2);
            const auto [one, two] = quorix::Steps(table, pixels, tell);
            std::printf("%s: %d rows, step one %6.1f ns/px, step two %6.1f ns/px\n",
                        tell ? "told of the colour ahead" : "not told              ", table.size(),
                        one, two);
        }
    }
    return 0;
}
