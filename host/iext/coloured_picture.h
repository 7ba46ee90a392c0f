// The character picture in colour: the board read through the ColorTable's mapping, each
// pixel's characters in that pixel's colour, each row of pixels a line. Written as a web page
// (and the HTML a mail or web editor pastes), as plain text, or drawn as a picture. No widget:
// the list box gives the mapping and the output box its font.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace quorix::host {

// Characters of one colour, side by side in a line.
struct ColouredRun {
    QRgb colour;
    QString text;
};
using ColouredLine = std::vector<ColouredRun>;

// The board's picture through `characters`, which gives the text of a pixel's colour value
// (0x00BBGGRR): one line per row of pixels, neighbouring pixels of one colour in one run. A
// pixel whose colour has no characters adds nothing, as in step two.
std::vector<ColouredLine> ColourPicture(const QImage& board,
                                        const std::function<QString(int32_t)>& characters);

// The text a person reads: each line's characters, every line ending in CR LF.
QString PlainText(const std::vector<ColouredLine>& lines);

// The picture as one <pre> element with inline styles: a monospace CJK font stack at the
// font's size, `white-space: pre`, each run in a span of its colour. What the clipboard offers.
QString HtmlFragment(const std::vector<ColouredLine>& lines, const QFont& font);
// A standalone web page holding the fragment, UTF-8.
QByteArray HtmlPage(const std::vector<ColouredLine>& lines, const QFont& font);

// The picture drawn in `font` on white, each run in its colour; nullopt when it would be larger
// than kMaxRenderedPixels (or a side longer than kMaxRenderedSide).
inline constexpr qint64 kMaxRenderedPixels = qint64{64} << 20;
inline constexpr int kMaxRenderedSide = 32767;
std::optional<QImage> RenderPicture(const std::vector<ColouredLine>& lines, const QFont& font,
                                    QSize* size_needed = nullptr);

}  // namespace quorix::host
