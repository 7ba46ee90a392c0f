// The coloured character picture on its own: runs of one colour, the text a person reads, the
// HTML of the page and of the clipboard, and the picture drawn in the output box's font.
#include "host/iext/coloured_picture.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>
#include <QMap>
#include <cstring>

#include "host/krnln/fonts.h"

namespace quorix::host {
namespace {

// A picture from rows of colour letters: r red, g green, b blue, w white, k black.
QImage Picture(const std::vector<const char*>& rows) {
    const QMap<char, QRgb> colours = {{'r', qRgb(255, 0, 0)},
                                      {'g', qRgb(0, 255, 0)},
                                      {'b', qRgb(0, 0, 255)},
                                      {'w', qRgb(255, 255, 255)},
                                      {'k', qRgb(0, 0, 0)}};
    QImage image(static_cast<int>(std::strlen(rows[0])), static_cast<int>(rows.size()),
                 QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, colours[rows[y][x]]);
    }
    return image;
}

// The mapping of a ColorTable: red "█", green "ab", blue "<&", black has no row.
QString Characters(int32_t colour) {
    switch (colour) {
        case 0x0000FF:
            return QStringLiteral("█");
        case 0x00FF00:
            return QStringLiteral("ab");
        case 0xFF0000:
            return QStringLiteral("<&");
        case 0xFFFFFF:
            return QStringLiteral("　");
        default:
            return {};
    }
}

QFont OutputFont(int pixels) {
    InstallFonts();
    form::LogFont stored;
    stored.height = -7;
    stored.weight = 400;
    stored.face = "\xCB\xCE\xCC\xE5";  // 宋体
    QFont font = FontFromLogFont(stored);
    font.setPixelSize(pixels);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

TEST(ColouredPicture, NeighboursOfOneColourShareARunAndAColourWithoutCharactersAddsNothing) {
    const auto lines = ColourPicture(Picture({"rrgb", "kkrk", "wrrw"}), Characters);
    ASSERT_EQ(lines.size(), 3u);
    const struct {
        size_t line;
        std::vector<std::pair<QRgb, QString>> runs;
    } table[] = {
        {0,
         {{qRgb(255, 0, 0), QStringLiteral("██")},
          {qRgb(0, 255, 0), QStringLiteral("ab")},
          {qRgb(0, 0, 255), QStringLiteral("<&")}}},
        {1, {{qRgb(255, 0, 0), QStringLiteral("█")}}},
        {2,
         {{qRgb(255, 255, 255), QStringLiteral("　")},
          {qRgb(255, 0, 0), QStringLiteral("██")},
          {qRgb(255, 255, 255), QStringLiteral("　")}}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.line);
        const ColouredLine& line = lines[row.line];
        ASSERT_EQ(line.size(), row.runs.size());
        for (size_t i = 0; i < line.size(); ++i) {
            EXPECT_EQ(line[i].colour, row.runs[i].first);
            EXPECT_EQ(line[i].text, row.runs[i].second);
        }
    }
    EXPECT_EQ(PlainText(lines), QStringLiteral("██ab<&\r\n█\r\n　██　\r\n"));
}

TEST(ColouredPicture, TheHtmlKeepsEveryCharacterEscapedInASpanOfItsColour) {
    const auto lines = ColourPicture(Picture({"rgb", "bbk"}), Characters);
    const QString html = HtmlFragment(lines, OutputFont(9));
    EXPECT_TRUE(html.startsWith(QStringLiteral("<pre style=\""))) << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("white-space: pre")));
    EXPECT_TRUE(html.contains(QStringLiteral("font-size: 9px")));
    EXPECT_TRUE(html.contains(QStringLiteral("'Noto Sans Mono CJK SC'")));
    EXPECT_TRUE(html.contains(QStringLiteral("monospace")));
    EXPECT_TRUE(html.contains(QStringLiteral(
        "<span style=\"color: #ff0000\">█</span><span style=\"color: #00ff00\">ab</span>"
        "<span style=\"color: #0000ff\">&lt;&amp;</span>\n"
        "<span style=\"color: #0000ff\">&lt;&amp;&lt;&amp;</span>\n</pre>")))
        << html.toStdString();
    const QByteArray page = HtmlPage(lines, OutputFont(9));
    EXPECT_TRUE(page.startsWith("<!DOCTYPE html>"));
    EXPECT_TRUE(page.contains("<meta charset=\"utf-8\">"));
    EXPECT_TRUE(page.contains(html.toUtf8()));
}

TEST(ColouredPicture, TheDrawnPictureHasALineOfTheFontPerRowAndItsColoursLeftToRight) {
    const QFont font = OutputFont(14);
    const auto lines = ColourPicture(Picture({"rgb", "bgr"}), Characters);
    const std::optional<QImage> picture = RenderPicture(lines, font);
    ASSERT_TRUE(picture.has_value());
    const QFontMetrics metrics(font);
    EXPECT_EQ(picture->height(), 2 * metrics.height());
    // Two digits to a pixel: three pixels are six digits wide.
    EXPECT_EQ(picture->width(), 6 * metrics.horizontalAdvance(QChar('0')));
    for (int line = 0; line < 2; ++line) {
        std::vector<QRgb> seen;
        for (int x = 0; x < picture->width(); ++x) {
            for (int y = line * metrics.height(); y < (line + 1) * metrics.height(); ++y) {
                const QRgb c = picture->pixel(x, y) | 0xFF000000u;
                if (c != qRgb(255, 255, 255) && (seen.empty() || seen.back() != c)) {
                    seen.push_back(c);
                }
            }
        }
        const std::vector<QRgb> expected =
            line == 0 ? std::vector<QRgb>{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)}
                      : std::vector<QRgb>{qRgb(0, 0, 255), qRgb(0, 255, 0), qRgb(255, 0, 0)};
        EXPECT_EQ(seen, expected) << "line " << line;
    }
}

TEST(ColouredPicture, APictureTooLargeToDrawIsRefusedWithTheSizeItWouldHave) {
    QImage board(4096, 64, QImage::Format_RGB32);
    board.fill(qRgb(255, 0, 0));
    const auto lines = ColourPicture(board, Characters);
    QSize needed;
    EXPECT_FALSE(RenderPicture(lines, OutputFont(14), &needed).has_value());
    // Two digits of 7 pixels to a pixel, give or take the fractions of a pixel that add up.
    EXPECT_NEAR(needed.width(), 4096 * 2 * 7, 4096 / 20);
    EXPECT_GT(needed.width(), kMaxRenderedSide);
}

}  // namespace
}  // namespace quorix::host
