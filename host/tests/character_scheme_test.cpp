// Character scheme files: what a scheme reads as, every kind of damage refused with its reason,
// and the nearest colour of a scheme for colours it does not have.
#include "host/iext/character_scheme.h"

#include <gtest/gtest.h>

namespace quorix::host {
namespace {

// A colour value (0x00BBGGRR) from red, green and blue.
uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
    return r | (g << 8) | (b << 16);
}

TEST(CharacterScheme, WrittenRowsReadBackExactly) {
    const std::vector<SchemeRow> rows = {
        {Rgb(0, 0, 0), QString::fromUtf8("█")},
        {Rgb(255, 255, 255), QString::fromUtf8("　")},
        {Rgb(0x12, 0xAB, 0xEF), QStringLiteral("@@")},
        {Rgb(1, 2, 3), QString()},  // no characters at all
        {Rgb(200, 0, 0), QString::fromUtf8("😀\t#")},
    };
    const QByteArray file = WriteScheme(rows);
    EXPECT_TRUE(file.startsWith("#000000\t\xE2\x96\x88\n#FFFFFF\t")) << file.toStdString();
    EXPECT_TRUE(file.contains("\n#12ABEF\t@@\n#010203\t\n"));
    const SchemeReading read = ReadScheme(file);
    ASSERT_TRUE(read.error.isEmpty()) << read.error.toStdString();
    ASSERT_EQ(read.rows.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(read.rows[i].colour, rows[i].colour) << i;
        EXPECT_EQ(read.rows[i].characters, rows[i].characters) << i;
    }
}

TEST(CharacterScheme, WhatPeopleAndOtherEditorsWriteIsRead) {
    const struct {
        const char* what;
        QByteArray file;
        size_t rows;
    } cases[] = {
        {"CR LF and lower-case digits", "#ff0000\tA\r\n#00ff00\tB\r\n", 2},
        {"a byte-order mark", "\xEF\xBB\xBF#000000\tX\n", 1},
        {"blank lines and no last line break", "\n#000000\tX\n\n#FFFFFF\tY", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const SchemeReading read = ReadScheme(c.file);
        EXPECT_TRUE(read.error.isEmpty()) << read.error.toStdString();
        EXPECT_EQ(read.rows.size(), c.rows);
    }
    EXPECT_EQ(ReadScheme("#ff0000\tA\r\n").rows.at(0).characters, QStringLiteral("A"));
}

TEST(CharacterScheme, ADamagedOrForeignFileIsRefusedWithItsReason) {
    const struct {
        const char* what;
        QByteArray file;
        const char* reason;  // a part of the message (UTF-8)
    } cases[] = {
        {"empty", "", "没有任何颜色"},
        {"only blank lines", "\n\r\n  \n", "没有任何颜色"},
        {"not UTF-8 (GBK)", "#000000\t\xD7\xD6\n", "UTF-8"},
        {"a picture", QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), "UTF-8"},
        {"plain text", "Hello, world.\n", "第 1 行"},
        {"no tab", "#000000 X\n", "第 1 行"},
        {"no hash", "000000\tX\n", "第 1 行"},
        {"short colour", "#00000\tX\n", "第 1 行"},
        {"not hexadecimal", "#00000G\tX\n", "第 1 行"},
        {"a bad third line", "#000000\tA\n#FFFFFF\tB\nplain text\n", "第 3 行"},
        {"a colour twice", "#000000\tA\n#FFFFFF\tB\n#000000\tC\n", "第 1 行和第 3 行"},
        {"a NUL", QByteArray("#000000\tA\0B\n", 12), "空字符"},
        {"a full-width digit", "#00000０\tX\n", "第 1 行"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const SchemeReading read = ReadScheme(c.file);
        EXPECT_TRUE(read.rows.empty());
        EXPECT_TRUE(read.error.contains(QString::fromUtf8(c.reason))) << read.error.toStdString();
    }
    EXPECT_FALSE(ReadScheme(QByteArray(kMaxSchemeBytes + 1, '#')).error.isEmpty());
}

TEST(CharacterScheme, EachColourTakesTheSameColourElseTheNearestInLightnessAndHue) {
    const std::vector<SchemeRow> scheme = {
        {Rgb(0, 0, 0), QStringLiteral("black")},      {Rgb(255, 255, 255), QStringLiteral("white")},
        {Rgb(255, 0, 0), QStringLiteral("red")},      {Rgb(0, 0, 255), QStringLiteral("blue")},
        {Rgb(128, 128, 128), QStringLiteral("grey")},
    };
    const struct {
        uint32_t colour;
        const char* expected;
    } cases[] = {
        {Rgb(0, 0, 0), "black"},
        {Rgb(255, 0, 0), "red"},
        {Rgb(10, 10, 12), "black"},
        {Rgb(250, 250, 245), "white"},
        {Rgb(200, 30, 20), "red"},
        {Rgb(20, 30, 200), "blue"},
        {Rgb(120, 125, 130), "grey"},
        // Where the eye and plain RGB distance part: a dark blue is blue, not black, and the
        // grey of 64 is as light to the eye as halfway to the mid grey, which it goes with.
        {Rgb(0, 0, 120), "blue"},
        {Rgb(64, 64, 64), "grey"},
    };
    std::vector<uint32_t> colours;
    for (const auto& c : cases) colours.push_back(c.colour);
    const std::vector<int> nearest = NearestRows(scheme, colours);
    ASSERT_EQ(nearest.size(), colours.size());
    for (size_t i = 0; i < colours.size(); ++i) {
        ASSERT_GE(nearest[i], 0);
        EXPECT_EQ(scheme[size_t(nearest[i])].characters, QString::fromUtf8(cases[i].expected))
            << std::hex << colours[i];
    }
    EXPECT_EQ(NearestRows({}, {Rgb(1, 2, 3)}), std::vector<int>{-1});
}

}  // namespace
}  // namespace quorix::host
