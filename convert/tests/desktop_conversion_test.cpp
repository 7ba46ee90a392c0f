// The conversion on a real X display, as a person does it: output size, step one, picking a
// colour's characters, step two, stopping a step. Input goes through the X server; results are
// read off the screen, the clipboard and the saved picture.
#include <gtest/gtest.h>

#include "host/testing/desktop_actions.h"

namespace quorix {
namespace {

using namespace testing;

// Four colours in four bands, met by the scan in this order.
QImage Bands() {
    QImage picture(8, 4, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(0, 0, 255), qRgb(200, 200, 0)};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) picture.setPixel(x, y, colours[(x / 2 + y) % 4]);
    }
    return picture;
}

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
    ClickAndWait(q, "按钮11");
    ClickAndWait(q, "按钮13");
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
        q.WaitIdle();
        EXPECT_EQ(FrameColour(q), colours[static_cast<size_t>(row)]);
        EXPECT_EQ(TextShownIn(q, "修改对应编辑框"), c.check.mapping.at(colours[row]));
    }
    // The arrow keys move the selection; the box follows.
    q.Click(rows[0].center());
    q.WaitIdle();
    q.Keys("Down");
    q.WaitIdle();
    EXPECT_EQ(FrameColour(q), colours[1]);
    EXPECT_EQ(TextShownIn(q, "修改对应编辑框"), c.check.mapping.at(colours[1]));
}

}  // namespace
}  // namespace quorix
