// The ColorTable's rows: finding a row by its first column, cells changed many times over, and
// the arena the texts live in compacted on the way, checked against a plain model.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "host/iext/row_table.h"

namespace quorix::host {
namespace {

TEST(RowTable, FindsTheFirstRowOfEachTextOfEveryLength) {
    RowTable table;
    table.set_columns(2);
    const std::vector<std::string> texts = {"",
                                            "7",
                                            "-1",
                                            "255",
                                            "16777215",
                                            "123456789",
                                            "a much longer first column than eight bytes",
                                            "7"};
    for (const std::string& t : texts) table.Append(t);
    EXPECT_EQ(table.Find("7"), 1);  // the first of the two rows
    EXPECT_EQ(table.Find(""), 0);
    EXPECT_EQ(table.Find("16777215"), 4);
    EXPECT_EQ(table.Find("123456789"), 5);
    EXPECT_EQ(table.Find("a much longer first column than eight bytes"), 6);
    EXPECT_EQ(table.Find("1677721"), -1);
    EXPECT_EQ(table.Find("25"), -1);
    EXPECT_EQ(table.Cell(7, 0), "7");
    EXPECT_EQ(table.Cell(7, 1), "");
    EXPECT_EQ(table.Cell(8, 0), "");  // no such row
    EXPECT_EQ(table.Cell(0, 2), "");  // no such column
    EXPECT_FALSE(table.SetCell(8, 1, "x"));
    EXPECT_FALSE(table.SetCell(-1, 1, "x"));
}

TEST(RowTable, CellsChangedManyTimesKeepTheirLatestTextAndTheIndexFollowsTheFirstColumn) {
    RowTable table;
    table.set_columns(2);
    std::map<std::pair<int, int>, std::string> model;
    std::mt19937 rng(7);
    const int rows = 5000;
    for (int r = 0; r < rows; ++r) {
        const std::string colour = std::to_string(r * 3571 % 16777216);
        table.Append(colour);
        model[{r, 0}] = colour;
        model[{r, 1}] = "";
    }
    // Far more changes than rows: the old texts pile up and the arena is compacted.
    for (int i = 0; i < 200000; ++i) {
        const int r = static_cast<int>(rng() % rows);
        const int c = rng() % 8 == 0 ? 0 : 1;
        const std::string text = c == 0
                                     ? std::to_string(rng() % 100000 + 20000000)
                                     : std::string(rng() % 4, static_cast<char>('0' + rng() % 10));
        ASSERT_TRUE(table.SetCell(r, c, text));
        model[{r, c}] = text;
    }
    std::map<std::string, int> first_row;
    for (int r = rows - 1; r >= 0; --r) first_row[model[{r, 0}]] = r;
    for (int r = 0; r < rows; ++r) {
        const std::string& first = model[std::make_pair(r, 0)];
        ASSERT_EQ(table.Cell(r, 0), first) << r;
        ASSERT_EQ(table.Cell(r, 1), model[std::make_pair(r, 1)]) << r;
        ASSERT_EQ(table.Find(first), first_row[first]) << r;
    }
    table.Clear();
    EXPECT_EQ(table.size(), 0);
    EXPECT_EQ(table.Find(model[std::make_pair(0, 0)]), -1);
}

}  // namespace
}  // namespace quorix::host
