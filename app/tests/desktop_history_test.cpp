// Undo and redo, and character schemes, on a real X display: a rectangle, a load, fewer colours
// and a row's characters each go with Ctrl+Z and come back with Ctrl+Y, checked on the board as
// it shows on screen and on the character picture; a scheme saved, step one run again and the
// scheme loaded gives every colour its characters back.
#include <gtest/gtest.h>

#include <QFile>

#include "host/krnln/color_value.h"
#include "testing/desktop_actions.h"

namespace quorix {
namespace {

using namespace testing;

constexpr QRgb kWhite = qRgb(255, 255, 255);

// The menu bar's entries and the items of "文件操作" and "生成指令" this test chooses.
constexpr int kFileMenu = 0, kCommandMenu = 1;
// After load, save and clear, and the character picture's save, export and copy.
constexpr int kSaveScheme = 6, kLoadScheme = 7;
constexpr int kFewerColours = 2;

// The board's size as the window opens.
constexpr int kBoardSide = 100;

// What the picture board shows, at scale 1.
QImage BoardShown(DesktopProgram& q) {
    return q.Grab(QRect(q.Place("画板1").topLeft(), QSize(kBoardSide, kBoardSide)));
}

bool AllWhite(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != kWhite) return false;
        }
    }
    return true;
}

// Presses a key sequence and waits until the program has done what it asks.
[[nodiscard]] bool Press(DesktopProgram& q, const char* keys) {
    q.Keys(keys);
    return q.WaitIdle();
}

// Without a window manager the window takes the keyboard back from a closed dialog with a
// click: here on the empty stretch of the tab page beside the board, where a click does nothing.
[[nodiscard]] bool TakeKeyboardBack(DesktopProgram& q) {
    q.Click(q.ClientPoint(400, 200));
    return q.WaitIdle();
}

// The characters of the ColorTable's row `row`, as selecting it shows them.
std::string RowCharacters(DesktopProgram& q, int row) {
    q.Click(ListRowsOnScreen(q).at(size_t(row)).center());
    EXPECT_TRUE(q.WaitIdle());
    return TextShownIn(q, "修改对应编辑框");
}

TEST(DesktopUndo, ARectangleALoadFewerColoursAndARowEditGoWithCtrlZAndComeBackWithCtrlY) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    ASSERT_TRUE(AllWhite(BoardShown(q)));

    // A rectangle.
    q.Click("画四边形");
    ASSERT_TRUE(q.WaitIdle());
    const QPoint corner = q.Place("画板1").topLeft();
    q.Drag(corner + QPoint(10, 10), corner + QPoint(70, 60), 6, /*settle=*/true);
    q.MoveTo(corner + QPoint(90, 90));
    ASSERT_TRUE(q.WaitIdle());
    const QImage rectangle = BoardShown(q);
    ASSERT_FALSE(AllWhite(rectangle)) << "no rectangle was drawn";
    ASSERT_TRUE(Press(q, "ctrl+z"));
    EXPECT_TRUE(AllWhite(BoardShown(q))) << "Ctrl+Z left the rectangle";
    ASSERT_TRUE(Press(q, "ctrl+y"));
    EXPECT_TRUE(BoardShown(q) == rectangle) << "Ctrl+Y did not bring the rectangle back";

    // A load over the drawing: Ctrl+Z gives the drawing back, Ctrl+Shift+Z the picture again.
    const QImage noise = Noise(kBoardSide);
    ASSERT_TRUE(LoadPicture(q, WritePicture(q, noise, "noise.bmp")));
    const QImage loaded = BoardShown(q);
    ASSERT_TRUE(loaded == noise.convertToFormat(loaded.format())) << "the load did not show";
    ASSERT_TRUE(TakeKeyboardBack(q));
    ASSERT_TRUE(Press(q, "ctrl+z"));
    EXPECT_TRUE(BoardShown(q) == rectangle) << "Ctrl+Z did not take the load back";
    ASSERT_TRUE(Press(q, "ctrl+shift+z"));
    EXPECT_TRUE(BoardShown(q) == loaded) << "Ctrl+Shift+Z did not load again";

    // Fewer colours.
    ASSERT_TRUE(q.ChooseMenu(kCommandMenu, kFewerColours));
    ASSERT_TRUE(q.WaitUntil([&] { return q.Dialog().has_value(); }) && q.WaitIdle());
    q.Type("4");
    q.Keys("Return");
    ASSERT_TRUE(q.WaitUntil([&] { return !q.Dialog().has_value(); }) && q.WaitIdle());
    const QImage reduced = BoardShown(q);
    ASSERT_LE(ColoursInScanOrder(reduced).size(), 4u);
    ASSERT_TRUE(TakeKeyboardBack(q));
    ASSERT_TRUE(Press(q, "ctrl+z"));
    EXPECT_TRUE(BoardShown(q) == loaded) << "Ctrl+Z did not give the colours back";
    ASSERT_TRUE(Press(q, "ctrl+y"));
    EXPECT_TRUE(BoardShown(q) == reduced) << "Ctrl+Y did not reduce again";

    // A row's characters. Step one is no change of the user's: Ctrl+Z after it would take
    // the reduction back, not the step.
    ASSERT_TRUE(ClickAndWait(q, "按钮11"));
    ASSERT_GE(ListRowsOnScreen(q).size(), 2u);
    const std::string digits = RowCharacters(q, 1);
    ASSERT_EQ(digits.size(), 2u) << digits;
    ASSERT_TRUE(q.Retype("修改对应编辑框", "█"));
    ASSERT_TRUE(ClickAndWait(q, "按钮15"));
    EXPECT_EQ(RowCharacters(q, 1), "█");
    q.Click(ListRowsOnScreen(q).at(0).center());  // the keyboard to the list, not a text box
    ASSERT_TRUE(q.WaitIdle());
    ASSERT_TRUE(Press(q, "ctrl+z"));
    EXPECT_EQ(RowCharacters(q, 1), digits) << "Ctrl+Z did not give the row its digits back";
    EXPECT_TRUE(BoardShown(q) == reduced) << "Ctrl+Z took more than the row's edit back";
    q.Click(ListRowsOnScreen(q).at(0).center());
    ASSERT_TRUE(q.WaitIdle());
    ASSERT_TRUE(Press(q, "ctrl+y"));
    EXPECT_EQ(RowCharacters(q, 1), "█") << "Ctrl+Y did not edit the row again";

    // In a text box Ctrl+Z is the box's own: what was typed goes, the picture and the
    // mapping stay.
    ASSERT_TRUE(q.Retype("替换编辑框", "ABC"));
    ASSERT_EQ(TextShownIn(q, "替换编辑框"), "ABC");
    ASSERT_TRUE(Press(q, "ctrl+z"));
    EXPECT_NE(TextShownIn(q, "替换编辑框"), "ABC") << "the box did not undo its typing";
    EXPECT_TRUE(BoardShown(q) == reduced);
    EXPECT_EQ(RowCharacters(q, 1), "█") << "Ctrl+Z in a text box undid the mapping";

    // Back to the start, one step at a time, and not further.
    q.Click(ListRowsOnScreen(q).at(0).center());
    ASSERT_TRUE(q.WaitIdle());
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(Press(q, "ctrl+z"));
    EXPECT_TRUE(AllWhite(BoardShown(q))) << "the first change was not taken back";
    EXPECT_TRUE(CloseAndExit(q));
}

// Four bands, each of its own colour, 40 x 20 pixels.
QImage FourBands() {
    return Bands().scaled(40, 20, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// The character picture step two writes, through the clipboard.
std::string StepTwo(DesktopProgram& q) {
    EXPECT_TRUE(ClickAndWait(q, "按钮5"));
    EXPECT_TRUE(ClickAndWait(q, "按钮13"));
    return CopyOutput(q);
}

// The scheme file's lines as colour (0x00BBGGRR) -> characters.
std::map<int32_t, std::string> SchemeOf(const std::string& path) {
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    std::map<int32_t, std::string> scheme;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.isEmpty()) continue;
        const qsizetype tab = line.indexOf('\t');
        EXPECT_EQ(tab, 7) << line.toStdString();
        EXPECT_TRUE(line.startsWith('#')) << line.toStdString();
        const uint32_t rgb = line.mid(1, 6).toUInt(nullptr, 16);
        const auto colour = static_cast<int32_t>(host::ValueFromRgb(rgb));
        scheme[colour] = line.mid(tab + 1).toStdString();
    }
    return scheme;
}

TEST(DesktopCharacterScheme, ASavedSchemeGivesEveryColourItsCharactersBackAfterStepOne) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    ASSERT_TRUE(SetOutputSize(q, 40, 20));
    const QImage bands = FourBands();
    ASSERT_TRUE(LoadPicture(q, WritePicture(q, bands, "bands.bmp")));
    ASSERT_TRUE(ClickAndWait(q, "按钮11"));
    ASSERT_EQ(ListRowsOnScreen(q).size(), 4u);

    // A mapping of the user's: graded characters, and one row typed.
    ASSERT_TRUE(q.ChooseMenu(kCommandMenu, 3));
    ASSERT_TRUE(q.WaitUntil([&] { return q.Dialog().has_value(); }) && q.WaitIdle());
    q.Keys("Return");
    ASSERT_TRUE(q.WaitUntil([&] { return !q.Dialog().has_value(); }) && q.WaitIdle());
    q.Click(ListRowsOnScreen(q).at(2).center());
    ASSERT_TRUE(q.WaitIdle());
    ASSERT_TRUE(q.Retype("修改对应编辑框", "Ab"));
    ASSERT_TRUE(ClickAndWait(q, "按钮15"));
    const std::string mapped = StepTwo(q);

    const std::string path = q.folder() + "/scheme.txt";
    ASSERT_TRUE(q.ChooseMenu(kFileMenu, kSaveScheme));
    ASSERT_TRUE(q.AnswerFileDialog(path));
    const std::map<int32_t, std::string> scheme = SchemeOf(path);
    ASSERT_EQ(scheme.size(), 4u);
    EXPECT_EQ(scheme.at(ColoursInScanOrder(bands).at(2)), "Ab");
    const OutputCheck as_saved = CheckOutput(bands, mapped, scheme);
    EXPECT_TRUE(as_saved.ok) << as_saved.difference;

    // Step one again: new digits for every colour.
    ASSERT_TRUE(ClickAndWait(q, "按钮11"));
    const OutputCheck digits = CheckOutput(bands, StepTwo(q));
    ASSERT_TRUE(digits.ok) << "step one did not give every colour two digits: "
                           << digits.difference;

    // A file that is no scheme says why and changes nothing.
    const std::string picture = WritePicture(q, bands, "not-a-scheme.txt");
    ASSERT_TRUE(q.ChooseMenu(kFileMenu, kLoadScheme));
    ASSERT_TRUE(q.WaitUntil([&] { return q.Dialog().has_value(); }) && q.WaitIdle());
    q.Keys("ctrl+a");
    q.Type(picture);
    q.Keys("Return");
    ASSERT_TRUE(q.WaitUntil([&] { return q.DialogTitle() == "Quorix"; }))
        << "no message for a file that is no scheme";
    ASSERT_TRUE(q.WaitIdle());
    q.Keys("Return");
    ASSERT_TRUE(q.WaitUntil([&] { return !q.Dialog().has_value(); }) && q.WaitIdle());
    const OutputCheck unchanged = CheckOutput(bands, StepTwo(q), digits.mapping);
    EXPECT_TRUE(unchanged.ok) << unchanged.difference;

    // The scheme: every colour has its characters back.
    ASSERT_TRUE(q.ChooseMenu(kFileMenu, kLoadScheme));
    ASSERT_TRUE(q.AnswerFileDialog(path));
    EXPECT_EQ(StepTwo(q), mapped);
    // A load of a scheme is a change like any other: Ctrl+Z gives the digits back.
    q.Click(ListRowsOnScreen(q).at(0).center());
    ASSERT_TRUE(q.WaitIdle());
    ASSERT_TRUE(Press(q, "ctrl+z"));
    const OutputCheck undone = CheckOutput(bands, StepTwo(q), digits.mapping);
    EXPECT_TRUE(undone.ok) << undone.difference;
    EXPECT_TRUE(CloseAndExit(q));
}

}  // namespace
}  // namespace quorix
