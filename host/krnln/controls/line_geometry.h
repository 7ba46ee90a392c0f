// The geometry of the character view's lines: where lines start and end (CR LF, or LF, ends a
// line), the x of a character and the character at an x, and which lines and characters meet
// a rectangle. Plain functions over the text and the advances of a font: no widget, no display.
#pragma once

#include <QRect>
#include <QStringView>
#include <array>
#include <functional>
#include <span>
#include <unordered_map>
#include <vector>

namespace quorix::host::lines {

// The advances of the characters in one font, measured once each: ASCII when the font is
// set, the basic plane in a table filled as characters are met, other characters in a map.
class Advances {
public:
    // Measures one character (a surrogate pair for one beyond the basic plane).
    using Measure = std::function<double(QStringView character)>;
    explicit Advances(Measure measure);

    // The advance of the character at `offset` (a surrogate pair counts as one) and its length.
    double At(QStringView text, qsizetype offset, int* length) const;
    double Ascii(char c) const { return ascii_[static_cast<unsigned char>(c) & 0x7F]; }
    // The advances of the basic plane by code unit: NaN for a character not met yet.
    const double* Known() const { return bmp_.data(); }
    // The advance every printable ASCII character has, or NaN when they differ.
    double UniformAscii() const { return uniform_ascii_; }

private:
    Measure measure_;
    std::array<double, 128> ascii_{};
    mutable std::vector<double> bmp_;
    mutable std::unordered_map<char32_t, double> other_;
    double uniform_ascii_ = 0;
};

// Where each line starts: offset 0, and after every LF. `starts` holds the lines of the text
// before `from`; the starts of the lines after it are appended.
void IndexLines(QStringView text, qsizetype from, std::vector<qsizetype>& starts);

// The line holding `offset`: the last one starting at or before it.
qsizetype LineOf(std::span<const qsizetype> starts, qsizetype offset);

// Where the line's characters end: before its CR LF (or LF), or at the end of the text.
qsizetype LineEnd(QStringView text, std::span<const qsizetype> starts, qsizetype line);

// The x of `offset` in the line starting at `start`, from the line's start.
double XOf(QStringView text, qsizetype start, qsizetype offset, const Advances& advances);

// The offset in [start, end] nearest to `x` (from the line's start): a character is passed once
// `x` reaches its middle.
qsizetype OffsetNear(QStringView text, qsizetype start, qsizetype end, double x,
                     const Advances& advances);

// The characters of [start, end) that reach into [left, right) (x from the line's start):
// [first, last), the first starting at `first_x`. None (first == last) when no character does.
struct Columns {
    qsizetype first = 0, last = 0;
    double first_x = 0;
};
Columns ColumnsIn(QStringView text, qsizetype start, qsizetype end, double left, double right,
                  const Advances& advances);

// The lines, of `count`, that meet the rows of `rect` in a view whose row 0 is the top of line
// `top_line`, each line `line_height` rows high: [first, last).
struct LineSpan {
    qsizetype first = 0, last = 0;
    friend bool operator==(const LineSpan&, const LineSpan&) = default;
};
LineSpan LinesIn(QRect rect, qsizetype top_line, int line_height, qsizetype count);

}  // namespace quorix::host::lines
