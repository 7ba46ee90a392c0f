// Colour values as the program holds them: red in the low byte, 0x00BBGGRR (the top byte is
// ignored), and Qt's colours (QRgb 0xAARRGGBB). Every conversion between the two is here.
#pragma once

#include <QColor>
#include <QRgb>
#include <cstdint>

namespace quorix::host {

// The colour value of a pixel; its alpha is ignored.
constexpr uint32_t ValueFromRgb(QRgb rgb) {
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}
// The opaque pixel of a colour value.
constexpr QRgb RgbFromValue(uint32_t value) {
    return 0xFF000000u | ((value & 0xFF) << 16) | (value & 0xFF00) | ((value >> 16) & 0xFF);
}
inline QColor ColorFromValue(uint32_t value) {
    return QColor::fromRgb(RgbFromValue(value));
}
inline uint32_t ValueFromColor(const QColor& color) {
    return ValueFromRgb(color.rgb());
}

}  // namespace quorix::host
