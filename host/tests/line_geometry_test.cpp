// The character view's line geometry, without a window or a font: where lines start and end,
// the x of a character and the character at an x, and what meets a rectangle. The advances
// come from made-up fonts, so that every width below can be worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "host/krnln/controls/line_geometry.h"

namespace quorix::host::lines {
namespace {

// A monospaced font: control characters 0, other ASCII 4, the rest of the basic plane 8 (a
// block or a CJK character), characters beyond it (surrogate pairs) 12.
double Monospaced(QStringView c) {
    if (c.size() == 2) return 12;
    if (c[0].unicode() < 0x20) return 0;
    return c[0].unicode() < 128 ? 4 : 8;
}

// The same with a few wider and narrower letters, as a proportional font has.
double Proportional(QStringView c) {
    if (c == u"W" || c == u"M") return 6;
    if (c == u"i") return 2;
    return Monospaced(c);
}

TEST(LineGeometry, LinesStartAfterEveryLineFeedAndEndBeforeTheirLineBreak) {
    struct Row {
        QString text;
        std::vector<qsizetype> starts, ends;
    } rows[] = {
        {"", {0}, {0}},
        {"ab", {0}, {2}},
        {"ab\r\ncd", {0, 4}, {2, 6}},
        {"ab\ncd", {0, 3}, {2, 5}},  // LF alone ends a line too
        {"ab\r\n", {0, 4}, {2, 4}},  // an empty last line
        {"\r\n\r\n", {0, 2, 4}, {0, 2, 4}},
        {"\n", {0, 1}, {0, 1}},
        {"a\rb\r\nc", {0, 5}, {3, 6}},  // a CR alone stays in its line
        {"ab\r", {0}, {3}},             // a CR whose LF has not come yet
        {"\r\nx\r\n", {0, 2, 5}, {0, 3, 5}},
    };
    for (const Row& r : rows) {
        std::vector<qsizetype> starts{0};
        IndexLines(r.text, 0, starts);
        EXPECT_EQ(starts, r.starts) << r.text.toStdString();
        std::vector<qsizetype> ends;
        for (qsizetype line = 0; line < static_cast<qsizetype>(starts.size()); ++line) {
            ends.push_back(LineEnd(r.text, starts, line));
        }
        EXPECT_EQ(ends, r.ends) << r.text.toStdString();
        // Indexed in two pieces, split anywhere (between a CR and its LF too), the lines are
        // the same.
        for (qsizetype split = 0; split <= r.text.size(); ++split) {
            std::vector<qsizetype> pieces{0};
            IndexLines(QStringView(r.text).left(split), 0, pieces);
            IndexLines(r.text, split, pieces);
            EXPECT_EQ(pieces, r.starts) << r.text.toStdString() << " split at " << split;
        }
    }
}

TEST(LineGeometry, AnOffsetBelongsToTheLastLineStartingAtOrBeforeIt) {
    const QString text = "ab\r\ncd\r\n\r\nef";  // lines start at 0, 4, 8 and 10
    std::vector<qsizetype> starts{0};
    IndexLines(text, 0, starts);
    const std::map<qsizetype, qsizetype> line_of = {
        {-3, 0}, {0, 0}, {2, 0}, {3, 0},  // the CR and the LF are their line's
        {4, 1},  {7, 1}, {8, 2}, {9, 2}, {10, 3}, {12, 3}, {99, 3},
    };
    for (const auto& [offset, line] : line_of) {
        EXPECT_EQ(LineOf(starts, offset), line) << "offset " << offset;
    }
}

TEST(LineGeometry, TheXOfAnOffsetIsTheSumOfTheAdvancesBeforeIt) {
    // Eight characters are measured at a time where the ASCII is uniform: every kind of
    // character at every place of such a block, and pairs that straddle two blocks.
    struct Row {
        QString text;
        qsizetype offset;
        double mono, proportional;  // the proportional font's i is 2 wide
    } rows[] = {
        {"abcdefghij", 10, 40, 38},
        {"abcdefghij", 3, 12, 12},
        {"abcdefghijklmnopq", 17, 68, 66},
        {"████████", 8, 64, 64},
        {"ab█cdefgh█ij", 12, 56, 54},
        {"abcdefg█", 8, 36, 36},
        {"█abcdefg", 8, 36, 36},
        {"WiWiWiWiWiWiWiWi", 16, 64, 64},
        {"abcdefgWi", 9, 36, 36},
        {"😀", 2, 12, 12},
        {"abcdefg😀h", 10, 44, 44},  // the pair straddles the first block's end
        {"abcdef😀gh", 10, 44, 44},
        {"😀😀😀😀😀", 10, 60, 60},
        {"a\u4e2d\u6587bcdefghij", 12, 56, 54},
        {"a\tbcdefghij", 11, 40, 38},  // a control character has no width here
        {"abc", 0, 0, 0},
    };
    for (const Row& r : rows) {
        const Advances mono(&Monospaced), proportional(&Proportional);
        EXPECT_EQ(XOf(r.text, 0, r.offset, mono), r.mono) << r.text.toStdString();
        EXPECT_EQ(XOf(r.text, 0, r.offset, proportional), r.proportional) << r.text.toStdString();
    }
    // A long line in the proportional font, where no block may be counted as plain ASCII.
    const QString words = QString("Wimbledon ").repeated(100);
    EXPECT_EQ(XOf(words, 0, words.size(), Advances(&Proportional)), 100 * (6 + 2 + 4 * 7 + 4));
    // From a line's start, not the text's.
    const QString two = "xyz\r\nab█c";
    EXPECT_EQ(XOf(two, 5, 8, Advances(&Monospaced)), 16);
}

TEST(LineGeometry, EachCharacterIsMeasuredOnceAndAPairAsOne) {
    std::map<QString, int> measured;
    const Advances advances([&](QStringView c) {
        ++measured[c.toString()];
        return Monospaced(c);
    });
    const QString text = "█a😀█😀b█";
    for (int pass = 0; pass < 3; ++pass) EXPECT_EQ(XOf(text, 0, text.size(), advances), 56);
    EXPECT_EQ(measured["█"], 1);
    EXPECT_EQ(measured["😀"], 1);
    EXPECT_EQ(measured.count(QString(QChar(0xD83D))), 0u) << "half a pair measured";
    EXPECT_EQ(measured["a"], 1);  // when the font is set, with all of ASCII
    EXPECT_EQ(advances.UniformAscii(), 4);
    EXPECT_TRUE(std::isnan(Advances(&Proportional).UniformAscii()));
}

TEST(LineGeometry, APointHitsTheCharacterWhoseMiddleItHasNotPassed) {
    const Advances advances(&Monospaced);
    const QString text = "xy\r\nab█c\r\na😀b";  // the lines start at 0, 4 and 10
    struct Row {
        qsizetype start, end;
        double x;
        qsizetype offset;
    } rows[] = {
        {4, 8, -5, 4},     {4, 8, 0, 4},   {4, 8, 1.9, 4},  // before a's middle
        {4, 8, 2, 5},      {4, 8, 5.9, 5}, {4, 8, 6, 6},    // b's middle
        {4, 8, 11.9, 6},   {4, 8, 12, 7},                   // █'s middle, 8 wide
        {4, 8, 17.9, 7},   {4, 8, 18, 8},  {4, 8, 1e6, 8},  // never past the line's CR LF
        {10, 14, 9.9, 11},                                  // the pair is one character
        {10, 14, 10, 13},                                   // and never split
        {0, 2, 100, 2},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(OffsetNear(text, r.start, r.end, r.x, advances), r.offset)
            << "line at " << r.start << ", x " << r.x;
    }
}

TEST(LineGeometry, TheColumnsShownAreThoseReachingIntoTheSpan) {
    const Advances advances(&Monospaced);
    const QString text = "abcdefghij\r\nab█😀c";  // ten letters of 4; then 4, 4, 8, 12, 4
    struct Row {
        qsizetype start, end;
        double left, right;
        qsizetype first, last;
        double first_x;
    } rows[] = {
        {0, 10, 0, 12, 0, 3, 0},       {0, 10, 5, 13, 1, 4, 4},  // partly shown at both sides
        {0, 10, 4, 12, 1, 3, 4},                                 // edges on character boundaries
        {0, 10, 3.9, 4.1, 0, 2, 0},                              // a sliver of two characters
        {0, 10, -50, 1000, 0, 10, 0},  {0, 10, 40, 80, 10, 10, 40},  // past the line's end: nothing
        {0, 10, 8, 8, 2, 2, 8},                                      // no width: nothing
        {12, 18, 17, 21, 15, 17, 16},  // the pair, from the line's start
        {12, 18, 29, 100, 17, 18, 28},
    };
    for (const Row& r : rows) {
        const Columns shown = ColumnsIn(text, r.start, r.end, r.left, r.right, advances);
        EXPECT_EQ(shown.first, r.first) << r.left << " to " << r.right;
        EXPECT_EQ(shown.last, r.last) << r.left << " to " << r.right;
        EXPECT_EQ(shown.first_x, r.first_x) << r.left << " to " << r.right;
    }
}

TEST(LineGeometry, TheLinesShownAreThoseMeetingTheRectangle) {
    struct Row {
        QRect rect;
        qsizetype top_line, count;
        LineSpan lines;
    } rows[] = {
        {{0, 0, 200, 100}, 0, 100, {0, 10}},     // ten lines of 10 rows fill it
        {{0, 0, 200, 101}, 0, 100, {0, 11}},     // and a row of the eleventh
        {{0, 35, 200, 10}, 0, 100, {3, 5}},      // rows 35 to 44
        {{0, 40, 200, 10}, 0, 100, {4, 5}},      // exactly one line
        {{0, 35, 200, 10}, 50, 100, {53, 55}},   // scrolled
        {{0, 0, 200, 100}, 95, 100, {95, 100}},  // the last lines
        {{0, 0, 200, 100}, 0, 3, {0, 3}},        // a short text
        {{0, 50, 200, 10}, 0, 3, {3, 3}},        // below the text
        {{0, 0, 200, 100}, 0, 0, {0, 0}},
        {{0, 0, 0, 0}, 0, 100, {0, 0}},  // an empty rectangle
    };
    for (const Row& r : rows) {
        EXPECT_EQ(LinesIn(r.rect, r.top_line, 10, r.count), r.lines)
            << r.rect.y() << "+" << r.rect.height() << " from line " << r.top_line;
    }
}

}  // namespace
}  // namespace quorix::host::lines
