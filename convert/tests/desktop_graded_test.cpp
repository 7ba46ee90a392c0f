// Fewer colours and graded characters on a real X display, as a person uses them on a real
// photograph: the preview and Escape, eight colours, step one, the block ramp, step two and the
// copy; and what the ColorTable shows: each colour's swatch, and a mark with its tooltip on a
// row whose characters would not line up.
#include <gtest/gtest.h>

#include <QFile>
#include <cmath>
#include <set>

#include "host/krnln/color_value.h"
#include "testing/desktop_actions.h"

namespace quorix {

using namespace std::chrono_literals;
namespace {

using namespace testing;

// Relative luminance of a colour value (0x00BBGGRR, sRGB): CIE L* grows with it and only with it.
double Luminance(int32_t colour) {
    auto linear = [](int v) {
        const double c = v / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour & 0xFF) + 0.7152 * linear((colour >> 8) & 0xFF) +
           0.0722 * linear((colour >> 16) & 0xFF);
}

// Whether `area` of the screen holds a block of `side` x `side` pixels of exactly `rgb`.
bool ShowsBlockOf(const QImage& area, QRgb rgb, int side) {
    for (int y = 0; y + side <= area.height(); ++y) {
        for (int x = 0; x + side <= area.width(); ++x) {
            bool all = true;
            for (int dy = 0; dy < side && all; ++dy) {
                for (int dx = 0; dx < side && all; ++dx) all = area.pixel(x + dx, y + dy) == rgb;
            }
            if (all) return true;
        }
    }
    return false;
}

// The red of the mark on a row whose characters are not two digits wide.
bool ShowsMark(const QImage& area) {
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x) {
            const QRgb p = area.pixel(x, y);
            if (qRed(p) > 180 && qGreen(p) < 90 && qBlue(p) < 90) return true;
        }
    }
    return false;
}

// Column 0 and column 1 of a row as shown (80 pixels each, as the form gives them).
QRect ColourCell(DesktopProgram& q, const QRect& row) {
    return QRect(row.left(), row.top(), static_cast<int>(80 * q.scale()), row.height());
}
QRect CharactersCell(DesktopProgram& q, const QRect& row) {
    return ColourCell(q, row).translated(static_cast<int>(80 * q.scale()), 0);
}

QImage SavedBoard(DesktopProgram& q, const std::string& name) {
    EXPECT_TRUE(SavePicture(q, q.folder() + "/" + name));
    return QImage(QString::fromStdString(q.folder() + "/" + name + ".bmp"))
        .convertToFormat(QImage::Format_RGB32);
}

// Opens an entry of "生成指令" and waits until its dialog is up and settled.
bool OpenCommandDialog(DesktopProgram& q, int item) {
    return q.ChooseMenu(1, item) && q.WaitUntil([&] { return q.Dialog().has_value(); }) &&
           q.WaitIdle();
}

bool DialogGone(DesktopProgram& q) {
    return q.WaitUntil([&] { return !q.Dialog().has_value(); }) && q.WaitIdle();
}

TEST(DesktopGraded, APhotoInEightColoursGradedByLightnessGivesEveryPixelItsStep) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    ASSERT_TRUE(SetOutputSize(q, 80, 40));
    const std::string photo = q.folder() + "/chelsea.jpg";
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUORIX_PHOTOS_DIR "/chelsea.jpg"),
                            QString::fromStdString(photo)));
    ASSERT_TRUE(LoadPicture(q, photo));
    const QImage loaded = SavedBoard(q, "loaded");
    ASSERT_EQ(loaded.size(), QSize(80, 40));
    ASSERT_GT(ColoursInScanOrder(loaded).size(), 1000u) << "a photo has many colours";
    // The board shows its whole picture from its corner at this size.
    const QRect board(q.Place("画板1").topLeft(), loaded.size());
    const QImage shown = q.Grab(board);
    ASSERT_TRUE(shown == loaded) << "the board does not show what it saves";

    // The dialog shows its preview on the board; Escape gives the picture back.
    ASSERT_TRUE(OpenCommandDialog(q, 2));
    ASSERT_TRUE(q.WaitUntil([&] { return q.Grab(board) != shown; })) << "no preview";
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_LE(ColoursInScanOrder(q.Grab(board)).size(), 8u);
    EXPECT_FALSE(q.Dialog()->intersects(board)) << "the dialog hides the preview";
    q.Keys("Escape");
    ASSERT_TRUE(DialogGone(q));
    EXPECT_TRUE(q.Grab(board) == shown);
    EXPECT_TRUE(SavedBoard(q, "escaped") == loaded) << "not the picture as it was";

    // Eight colours, typed over the number the box shows, and Enter.
    ASSERT_TRUE(OpenCommandDialog(q, 2));
    q.Type("8");
    q.Keys("Return");
    ASSERT_TRUE(DialogGone(q));
    const QImage reduced = SavedBoard(q, "reduced");
    const std::vector<int32_t> colours = ColoursInScanOrder(reduced);
    ASSERT_LE(colours.size(), 8u);
    ASSERT_GE(colours.size(), 5u);

    ASSERT_TRUE(ClickAndWait(q, "按钮11"));
    const std::vector<QRect> rows = ListRowsOnScreen(q);
    ASSERT_EQ(rows.size(), colours.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        const QRgb rgb = host::RgbFromValue(static_cast<uint32_t>(colours[i]));
        EXPECT_TRUE(ShowsBlockOf(q.Grab(ColourCell(q, rows[i])), rgb, 6)) << "no swatch";
        EXPECT_FALSE(ShowsMark(q.Grab(CharactersCell(q, rows[i])))) << "two digits are marked";
    }

    // The block ramp the dialog starts with, and Enter.
    ASSERT_TRUE(OpenCommandDialog(q, 3));
    q.Keys("Return");
    ASSERT_TRUE(DialogGone(q));
    for (const QRect& row : ListRowsOnScreen(q)) {
        EXPECT_FALSE(ShowsMark(q.Grab(CharactersCell(q, row)))) << "a block step is marked";
    }
    ASSERT_TRUE(ClickAndWait(q, "按钮13"));
    const QString text = QString::fromStdString(CopyOutput(q));
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 41);  // 40 lines, each ending in CR LF
    EXPECT_TRUE(lines.last().isEmpty());

    const QString ramp = QString::fromUtf8("█▓▒░　");
    std::map<int32_t, int> step_of;
    for (int y = 0; y < 40; ++y) {
        ASSERT_EQ(lines[y].size(), 80) << "line " << y;
        for (int x = 0; x < 80; ++x) {
            const int32_t colour = ColourValue(reduced.pixel(x, y));
            const int step = static_cast<int>(ramp.indexOf(lines[y][x]));
            ASSERT_GE(step, 0) << "pixel " << x << ", " << y << " is no step of the ramp";
            const auto [it, first] = step_of.emplace(colour, step);
            ASSERT_EQ(it->second, step) << "one colour, two steps";
        }
    }
    // The darkest colour has the first step, the lightest the last, and the steps never go
    // down as the colours get lighter.
    std::vector<std::pair<double, int>> by_lightness;
    for (const auto& [colour, step] : step_of) by_lightness.emplace_back(Luminance(colour), step);
    std::sort(by_lightness.begin(), by_lightness.end());
    EXPECT_EQ(by_lightness.front().second, 0);
    EXPECT_EQ(by_lightness.back().second, 4);
    for (size_t i = 1; i < by_lightness.size(); ++i) {
        EXPECT_LE(by_lightness[i - 1].second, by_lightness[i].second);
    }
    q.Close();
    EXPECT_TRUE(q.WaitExit(30s).has_value()) << "watchdog: the program did not end";
}

// Stripes of five colours.
QImage Stripes() {
    QImage picture(40, 20, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(250, 250, 250), qRgb(20, 20, 20), qRgb(200, 40, 40),
                            qRgb(40, 150, 60), qRgb(240, 200, 0)};
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) picture.setPixel(x, y, colours[x / 8]);
    }
    return picture;
}

// The mark follows each change of a row's characters, step one, 按钮15 and graded characters,
// and its tooltip says why; a typed ASCII ramp is written twice a pixel and lines up.
TEST(DesktopGraded, TheMarkFollowsEveryChangeAndSaysWhyOnHover) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    ASSERT_TRUE(SetOutputSize(q, 40, 20));
    ASSERT_TRUE(LoadPicture(q, WritePicture(q, Stripes(), "stripes.bmp")));
    ASSERT_TRUE(ClickAndWait(q, "按钮11"));
    std::vector<QRect> rows = ListRowsOnScreen(q);
    ASSERT_EQ(rows.size(), 5u);

    // One capital letter is one digit wide: marked, and the tooltip explains.
    q.Click(rows[2].center());
    ASSERT_TRUE(q.WaitIdle());
    ASSERT_TRUE(q.Retype("修改对应编辑框", "A"));
    ASSERT_TRUE(ClickAndWait(q, "按钮15"));
    EXPECT_TRUE(ShowsMark(q.Grab(CharactersCell(q, rows[2]))));
    EXPECT_FALSE(ShowsMark(q.Grab(CharactersCell(q, rows[1]))));
    q.MoveTo(CharactersCell(q, rows[2]).topLeft() + QPoint(8, rows[2].height() / 2));
    EXPECT_TRUE(q.WaitUntil([&] { return q.Popup().has_value(); })) << "no tooltip";
    q.MoveTo(q.Centre("按钮11"));
    ASSERT_TRUE(q.WaitIdle());

    // A full block is two digits wide: the mark goes.
    ASSERT_TRUE(q.Retype("修改对应编辑框", "█"));
    ASSERT_TRUE(ClickAndWait(q, "按钮15"));
    EXPECT_FALSE(ShowsMark(q.Grab(CharactersCell(q, rows[2]))));

    // An ASCII ramp, typed with Shift where it needs it: every step is written twice.
    ASSERT_TRUE(OpenCommandDialog(q, 3));
    q.Keys("ctrl+a");
    q.Type("@%#*+=-:. ");
    q.Keys("Return");
    ASSERT_TRUE(DialogGone(q));
    rows = ListRowsOnScreen(q);
    for (const QRect& row : rows) EXPECT_FALSE(ShowsMark(q.Grab(CharactersCell(q, row))));
    ASSERT_TRUE(ClickAndWait(q, "按钮13"));
    const std::string text = CopyOutput(q);
    const std::string line = text.substr(0, text.find("\r\n"));
    ASSERT_EQ(line.size(), 80u) << "two characters a pixel";
    const std::string ramp = "@%#*+=-:. ";
    const QImage stripes = Stripes();
    std::vector<std::pair<double, size_t>> steps;  // luminance, step of each stripe
    for (int stripe = 0; stripe < 5; ++stripe) {
        const std::string shown = line.substr(16 * stripe, 16);
        EXPECT_EQ(shown, std::string(16, shown[0])) << "stripe " << stripe;
        ASSERT_NE(ramp.find(shown[0]), std::string::npos);
        steps.emplace_back(Luminance(ColourValue(stripes.pixel(8 * stripe, 0))),
                           ramp.find(shown[0]));
    }
    std::sort(steps.begin(), steps.end());
    EXPECT_EQ(steps.front().second, 0u);
    EXPECT_EQ(steps.back().second, ramp.size() - 1);
    for (size_t i = 1; i < steps.size(); ++i) EXPECT_LE(steps[i - 1].second, steps[i].second);
}

}  // namespace
}  // namespace quorix
