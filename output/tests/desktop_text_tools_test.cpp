// The text tools on a real X display: replace, copy and clear, the text size, and the picture
// files through the file dialog, driven with real input and checked on the screen, the X
// clipboard and the saved files.
#include <gtest/gtest.h>

#include "testing/desktop_actions.h"

namespace quorix {
namespace {

using namespace testing;

// A picture of `colours` colours in diagonal stripes.
QImage Stripes(int width, int height, int colours) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int k = ((x + y) / 7) % colours;
            line[x] = qRgb(40 * k % 256, 255 - 20 * k, 90);
        }
    }
    return picture;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2) {
        lines.push_back(text.substr(from, at - from));
    }
    return lines;
}

void Replace(DesktopProgram& q, const std::string& pattern, const std::string& replacement) {
    ASSERT_TRUE(q.Retype("替换编辑框", pattern));
    ASSERT_TRUE(q.Retype("修改对应编辑框1", replacement));
    ASSERT_TRUE(ClickAndWait(q, "按钮4"));
}

// Characters of the UTF-8 text `s` (not bytes).
size_t CharacterCount(const std::string& s) {
    size_t count = 0;
    for (const char c : s) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

// Gives the colour of ColorTable row `row` the characters `characters`, typed into
// 修改对应编辑框 after a click on the row.
void EditRow(DesktopProgram& q, size_t row, const std::string& characters) {
    const std::vector<QRect> rows = ListRowsOnScreen(q);
    ASSERT_LT(row, rows.size());
    q.Click(rows[row].center());
    ASSERT_TRUE(q.WaitIdle());
    ASSERT_TRUE(q.Retype("修改对应编辑框", characters));
    ASSERT_TRUE(ClickAndWait(q, "按钮15"));
}

// A replace of a line anchor or of one character on the output of a `width` x `height` picture
// changes what the pattern matches and keeps every line break. Two colours stand for a
// full-width symbol and for an emoji (a character outside the basic plane), so that lines differ
// in length and hold characters of more than one code unit.
void CheckReplacesKeepLineBreaks(int width, int height) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    ASSERT_TRUE(SetOutputSize(q, width, height));
    ASSERT_TRUE(LoadPicture(q, WritePicture(q, Stripes(width, height, 12), "stripes.bmp")));
    ASSERT_TRUE(ClickAndWait(q, "按钮11"));
    EditRow(q, 1, "█");
    EditRow(q, 2, "😀");
    ASSERT_TRUE(ClickAndWait(q, "按钮13"));
    const std::string original = CopyOutput(q);
    const std::vector<std::string> lines = Lines(original);
    ASSERT_EQ(lines.size(), static_cast<size_t>(height));
    ASSERT_NE(original.find("█"), std::string::npos);
    ASSERT_NE(original.find("😀"), std::string::npos);

    struct Case {
        const char* pattern;
        std::function<std::string(const std::string&)> line;  // what becomes of each line
        const char* after_last;                               // what follows the last break
    };
    const Case cases[] = {
        {"^", [](const std::string& l) { return "X" + l; }, ""},
        {"^\\s*", [](const std::string& l) { return "X" + l; }, ""},
        {"$", [](const std::string& l) { return l + "X"; }, "X"},
        {".", [](const std::string& l) { return std::string(CharacterCount(l), 'X'); }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        Replace(q, c.pattern, "X");
        const std::string replaced = CopyOutput(q);
        std::string expected;
        for (const std::string& l : lines) expected += c.line(l) + "\r\n";
        expected += c.after_last;
        EXPECT_EQ(Lines(replaced).size(), static_cast<size_t>(height));
        const auto mismatch =
            std::mismatch(replaced.begin(), replaced.end(), expected.begin(), expected.end());
        EXPECT_TRUE(replaced == expected)
            << "first difference at offset " << mismatch.first - replaced.begin() << ": \""
            << std::string(mismatch.first, std::min(mismatch.first + 12, replaced.end()))
            << "\" instead of \""
            << std::string(mismatch.second, std::min(mismatch.second + 12, expected.end())) << "\"";
        // Back to the step's text for the next pattern.
        ASSERT_TRUE(ClickAndWait(q, "按钮5"));
        ASSERT_TRUE(ClickAndWait(q, "按钮13"));
    }
}

TEST(DesktopTextTools, ReplaceOnLinesOf400CharactersKeepsEveryLineBreakItDidNotMatch) {
    CheckReplacesKeepLineBreaks(200, 100);
}

TEST(DesktopTextTools, ReplaceOnTheOutputOfA1024PictureKeepsEveryLineBreakItDidNotMatch) {
    CheckReplacesKeepLineBreaks(1024, 1024);
}

// The output text on screen, inside the box's frame and scroll bars.
QImage OutputShown(DesktopProgram& q) {
    return q.Grab(q.Place("编辑框1").adjusted(3, 3, -20, -20));
}

// The distance between the tops of the first two lines of the output on screen.
int LinePitch(DesktopProgram& q) {
    const auto lines = InkRows(OutputShown(q));
    return lines.size() >= 2 ? lines[1].first - lines[0].first : 0;
}

// The arrows of 调节器2 step the size of the whole output text, never below 1; the picture
// button sets it back to 8. Read off the screen as the distance between lines.
TEST(DesktopTextTools, TheTextSizeArrowsAndTheResetZoomTheWholeOutput) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    ASSERT_TRUE(ClickAndWait(q, "按钮11"));
    ASSERT_TRUE(ClickAndWait(q, "按钮13"));  // a blank board: a hundred lines of two-digit texts
    const QRect spin = q.Place("调节器2");
    const QPoint up(spin.center().x(), spin.top() + spin.height() / 4);
    const QPoint down(spin.center().x(), spin.bottom() - spin.height() / 4);
    auto press = [&](QPoint arrow, int times) {
        for (int i = 0; i < times; ++i) {
            q.Click(arrow);
            ASSERT_TRUE(q.WaitIdle());
        }
    };
    const int at5 = LinePitch(q);
    ASSERT_GT(at5, 0);
    press(up, 1);
    const int at6 = LinePitch(q);
    EXPECT_GT(at6, at5);
    ASSERT_TRUE(ClickAndWait(q, "字体大小复位按钮"));
    const int at8 = LinePitch(q);
    EXPECT_GT(at8, at6);
    press(down, 3);
    EXPECT_EQ(LinePitch(q), at5);  // 8 - 3
    const QImage shown_at5 = OutputShown(q);
    press(down, 4);  // down to 1
    const QImage at1 = OutputShown(q);
    EXPECT_FALSE(at1 == shown_at5);
    press(down, 1);  // passes through 0, back to 1
    EXPECT_TRUE(OutputShown(q) == at1);
    // The text a step appends later takes the size too.
    ASSERT_TRUE(ClickAndWait(q, "字体大小复位按钮"));
    ASSERT_TRUE(ClickAndWait(q, "按钮13"));
    EXPECT_EQ(LinePitch(q), at8);
}

// 按钮5 empties the output; a copy of the empty output then copies nothing.
TEST(DesktopTextTools, ClearEmptiesTheOutputAndACopyOfNothingLeavesTheClipboard) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    ASSERT_TRUE(ClickAndWait(q, "按钮11"));
    ASSERT_TRUE(ClickAndWait(q, "按钮13"));
    ASSERT_FALSE(InkRows(OutputShown(q)).empty());
    ASSERT_TRUE(ClickAndWait(q, "按钮5"));
    EXPECT_TRUE(InkRows(OutputShown(q)).empty());
    ASSERT_TRUE(q.OfferOnClipboard("before"));
    EXPECT_EQ(CopyOutput(q), "before");
}

// The character picture in the output box is selected with the mouse and copied with Ctrl+C
// like any text, and the user can type into it: what the box shows is what 复制按钮 copies.
TEST(DesktopTextTools, TheOutputIsSelectedWithTheMouseCopiedWithTheKeysAndTypedInto) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    ASSERT_TRUE(SetOutputSize(q, 30, 4));
    ASSERT_TRUE(ClickAndWait(q, "按钮11"));
    ASSERT_TRUE(ClickAndWait(q, "按钮13"));
    const QRect inside = q.Place("编辑框1").adjusted(3, 3, -20, -20);
    const QImage shown = q.Grab(inside);
    const auto rows = InkRows(shown);
    const auto columns = InkColumns(shown);
    ASSERT_EQ(rows.size(), 4u);
    ASSERT_FALSE(columns.empty());
    const std::string all = CopyOutput(q);  // which leaves all of it selected
    const std::vector<std::string> lines = Lines(all);
    ASSERT_EQ(lines.size(), 4u);
    auto line_start = [&](size_t row) {
        return inside.topLeft() +
               QPoint(columns.front().first - 1, (rows[row].first + rows[row].second) / 2);
    };
    // From the start of the second line to the start of the fourth: two whole lines.
    q.Drag(line_start(1), line_start(3), 4);
    ASSERT_TRUE(q.WaitIdle());
    ASSERT_TRUE(q.OfferOnClipboard("before"));
    q.Keys("ctrl+c");
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_EQ(q.Clipboard(), lines[1] + "\r\n" + lines[2] + "\r\n");

    // Typing where the first line starts puts the characters there.
    q.Click(line_start(0));
    ASSERT_TRUE(q.WaitIdle());
    q.Type("Xy");
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_EQ(CopyOutput(q), "Xy" + all);
}

}  // namespace
}  // namespace quorix
