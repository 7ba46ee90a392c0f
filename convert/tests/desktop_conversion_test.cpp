// The conversion on a real X display, as a person does it: output size, step one, picking a
// colour's characters, step two, stopping a step. Input goes through the X server; results are
// read off the screen, the clipboard and the saved picture.
#include <gtest/gtest.h>

#include "testing/desktop_actions.h"

namespace quorix {
namespace {

using namespace testing;

// Loads a picture, runs both steps and reads the board back through a save: the picture, the
// output text and the mapping the output shows.
struct Converted {
    QImage board;
    std::string output;
    OutputCheck check;
};
Converted LoadAndConvert(DesktopProgram& q, const QImage& picture) {
    Converted c;
    EXPECT_TRUE(LoadPicture(q, WritePicture(q, picture, "in.bmp")));
    EXPECT_TRUE(ClickAndWait(q, "按钮11"));
    EXPECT_TRUE(ClickAndWait(q, "按钮13"));
    c.output = CopyOutput(q);
    EXPECT_TRUE(SavePicture(q, q.folder() + "/board"));
    c.board = QImage(QString::fromStdString(q.folder() + "/board.bmp"));
    c.check = CheckOutput(c.board, c.output);
    return c;
}

TEST(DesktopConversion, ARowSelectedWithTheMouseOrTheKeyboardShowsItsCharactersAndColour) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    const Converted c = LoadAndConvert(q, Bands());
    ASSERT_TRUE(c.check.ok) << c.check.difference;
    const std::vector<int32_t> colours = ColoursInScanOrder(c.board);
    ASSERT_EQ(colours.size(), 4u);
    const std::vector<QRect> rows = ListRowsOnScreen(q);
    ASSERT_EQ(rows.size(), colours.size());

    // Any row, in any order, and the row that is already selected once more.
    for (const int row : {2, 0, 3, 3, 1}) {
        SCOPED_TRACE("row " + std::to_string(row));
        q.Click(rows[static_cast<size_t>(row)].center());
        ASSERT_TRUE(q.WaitIdle());
        EXPECT_EQ(FrameColour(q), colours[static_cast<size_t>(row)]);
        EXPECT_EQ(TextShownIn(q, "修改对应编辑框"), c.check.mapping.at(colours[row]));
    }
    // The arrow keys move the selection; the box follows.
    q.Click(rows[0].center());
    ASSERT_TRUE(q.WaitIdle());
    q.Keys("Down");
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_EQ(FrameColour(q), colours[1]);
    EXPECT_EQ(TextShownIn(q, "修改对应编辑框"), c.check.mapping.at(colours[1]));
}

// Regions of five colours, larger than the board: the load squeezes it to the output size.
QImage Regions(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(255, 255, 255), qRgb(20, 20, 20), qRgb(230, 40, 40),
                            qRgb(40, 160, 60), qRgb(250, 220, 0)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int band = (x * 3 / width) + (y * 2 / height) * 2;
            picture.setPixel(x, y, colours[(band + (x / 37) % 2) % 5]);
        }
    }
    return picture;
}

// The road of a typical use, every step with the mouse and the keyboard: the output size, the
// load, step one, a symbol typed for one colour and one picked from the list for another, step
// two, a zoom step and the copy. The copied text is compared character by character with the
// text the saved picture calls for.
void TravelTheRoad(double scale) {
    XServer x(static_cast<int>(1280 * scale), static_cast<int>(800 * scale));
    DesktopProgram q(x, {.scale = scale});
    ASSERT_TRUE(q.ok()) << q.log();
    ASSERT_TRUE(SetOutputSize(q, 200, 100));
    ASSERT_TRUE(LoadPicture(q, WritePicture(q, Regions(300, 200), "regions.bmp")));
    ASSERT_TRUE(ClickAndWait(q, "按钮11"));
    std::vector<QRect> rows = ListRowsOnScreen(q);
    ASSERT_EQ(rows.size(), 5u);

    q.Click(rows[1].center());
    ASSERT_TRUE(q.WaitIdle());
    ASSERT_TRUE(q.Retype("修改对应编辑框", "█"));
    ASSERT_TRUE(ClickAndWait(q, "按钮15"));

    q.Click(rows[3].center());
    ASSERT_TRUE(q.WaitIdle());
    const QRect symbols = q.Place("修改对应编辑框");
    q.Click(QPoint(symbols.right() - static_cast<int>(6 * scale), symbols.center().y()));
    ASSERT_TRUE(q.WaitUntil([&] { return q.Popup().has_value(); }));
    ASSERT_TRUE(q.WaitIdle());
    // The list opens at the box's current item; the wheel brings its top into view.
    q.MoveTo(q.Popup()->center());
    q.Wheel(-40);
    ASSERT_TRUE(q.WaitIdle());
    ASSERT_TRUE(q.ChoosePopupItem(0));  // the list's first symbol
    EXPECT_EQ(TextShownIn(q, "修改对应编辑框"), "⊙");
    ASSERT_TRUE(ClickAndWait(q, "按钮15"));

    ASSERT_TRUE(ClickAndWait(q, "按钮13"));
    const QRect zoom = q.Place("调节器2");
    q.Click(QPoint(zoom.center().x(), zoom.bottom() - zoom.height() / 4));
    ASSERT_TRUE(q.WaitIdle());
    const std::string text = CopyOutput(q);

    ASSERT_TRUE(SavePicture(q, q.folder() + "/road"));
    const QImage board(QString::fromStdString(q.folder() + "/road.bmp"));
    ASSERT_EQ(board.size(), QSize(200, 100));
    const std::vector<int32_t> colours = ColoursInScanOrder(board);
    ASSERT_EQ(colours.size(), 5u);
    const OutputCheck check = CheckOutput(board, text, {{colours[1], "█"}, {colours[3], "⊙"}});
    EXPECT_TRUE(check.ok) << check.difference;
    EXPECT_TRUE(CloseAndExit(q));
}

TEST(DesktopConversion, TheRoadOfATypicalUseGivesTheTextTheSavedPictureCallsFor) {
    TravelTheRoad(1);
}

TEST(DesktopConversion, TheRoadAtTwiceTheScaleGivesTheSameText) {
    TravelTheRoad(2);
}

// A picture whose every pixel has its own colour.
QImage Distinct(int side) {
    QImage picture(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x)
            picture.setPixel(x, y, qRgb(x % 256, y % 256, x / 256 + 16 * (y / 256)));
    }
    return picture;
}

// 停止 ends a running step at the end of the row in progress: step one leaves the progress bar
// part way and still gives the rows found their digits; step two leaves complete lines and the
// stopped row whole without its line break.
TEST(DesktopConversion, StopEndsEitherStepAtTheEndOfItsRow) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    ASSERT_TRUE(SetOutputSize(q, 1024, 1024));
    ASSERT_TRUE(LoadPicture(q, WritePicture(q, Distinct(1024), "distinct.bmp")));

    // Stopped once the step shows that it runs: the progress bar has begun to fill.
    ASSERT_TRUE(StartStepOne(q));
    q.Click("停止");
    ASSERT_TRUE(q.WaitIdle());
    const QRect bar = q.Place("取色字符进度条").adjusted(2, 2, -2, -2);
    const QImage progress = q.Grab(bar);
    const QRgb filled = progress.pixel(2, progress.height() / 2);
    EXPECT_NE(progress.pixel(progress.width() - 3, progress.height() / 2), filled)
        << "the scan was not stopped";
    EXPECT_FALSE(ListRowsOnScreen(q).empty());

    ASSERT_TRUE(ClickAndWait(q, "按钮11"));  // the whole table, for step two
    // Stopped once the first characters show in the output box.
    ASSERT_TRUE(StartStepTwo(q));
    q.Click("停止");
    ASSERT_TRUE(q.WaitIdle());
    const std::string text = CopyOutput(q);
    const size_t breaks = [&] {
        size_t n = 0;
        for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2) ++n;
        return n;
    }();
    EXPECT_LT(breaks, 1024u) << "step two was not stopped";
    EXPECT_EQ(text.size(), (breaks + 1) * 2048 + breaks * 2) << "a row was cut short";
    EXPECT_NE(text.substr(text.size() - 2), "\r\n");
}

}  // namespace
}  // namespace quorix
