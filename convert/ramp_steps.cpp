#include "convert/ramp_steps.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quorix::app {
namespace {

// sRGB channel value to linear light, once per value.
const std::array<double, 256>& LinearTable() {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> t{};
        for (int v = 0; v < 256; ++v) {
            const double c = v / 255.0;
            t[static_cast<size_t>(v)] =
                c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return t;
    }();
    return table;
}

}  // namespace

double Lightness(int32_t colour) {
    const auto& linear = LinearTable();
    const auto value = static_cast<uint32_t>(colour);
    // Relative luminance Y of sRGB (D65).
    const double y = 0.2126 * linear[value & 0xFF] + 0.7152 * linear[(value >> 8) & 0xFF] +
                     0.0722 * linear[(value >> 16) & 0xFF];
    constexpr double kEpsilon = 216.0 / 24389.0;
    constexpr double kKappa = 24389.0 / 27.0;
    return y > kEpsilon ? 116.0 * std::cbrt(y) - 16.0 : kKappa * y;
}

std::vector<int> RampSteps(std::span<const double> lightness, int steps) {
    std::vector<int> out(lightness.size(), 0);
    if (steps <= 1 || lightness.empty()) return out;
    const auto [low, high] = std::minmax_element(lightness.begin(), lightness.end());
    const double from = *high > *low ? *low : 0.0;
    const double span = *high > *low ? *high - *low : 100.0;
    for (size_t i = 0; i < lightness.size(); ++i) {
        const double t = std::clamp((lightness[i] - from) / span, 0.0, 1.0);
        out[i] = std::min(steps - 1, static_cast<int>(t * steps));
    }
    return out;
}

std::vector<std::string_view> Characters(std::string_view text) {
    std::vector<std::string_view> out;
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    for (size_t i = 0; i < text.size();) {
        size_t length = 1;
        const unsigned char lead = byte(i);
        if (lead >= 0x81 && lead <= 0xFE && i + 1 < text.size()) {
            const unsigned char second = byte(i + 1);
            length = second >= 0x30 && second <= 0x39 ? 4 : 2;
        }
        length = std::min(length, text.size() - i);
        out.push_back(text.substr(i, length));
        i += length;
    }
    return out;
}

}  // namespace quorix::app
