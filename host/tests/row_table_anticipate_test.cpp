// A scan tells the ColorTable of the colours ahead (RowTable::Anticipate) before it looks them
// up. Whatever it is told, and whatever happens to the table between, every answer must be the
// one a table that is never told gives: the same operations run on both, checked against a
// plain model too.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "host/iext/row_table.h"

namespace quorix::host {
namespace {

struct Scenario {
    const char* name;
    int colours;          // distinct colours in the picture
    int absent_percent;   // share of step two's lookups of a colour no row has
    int change_permille;  // share of pixels after which a row's first column changes
    bool clear_midway;    // the rows are deleted after the first scan and the scan runs again
    int wrong_ahead;      // share (percent) of anticipated texts that are not what comes next
};

// Two tables fed alike; `told` hears of every text `ahead` lookups before it is looked up.
class Pair {
public:
    Pair() {
        told_.set_columns(2);
        plain_.set_columns(2);
    }
    int Find(const std::string& text) {
        const int a = told_.Find(text), b = plain_.Find(text);
        EXPECT_EQ(a, b) << text;
        const auto it = model_.find(text);
        EXPECT_EQ(a, it == model_.end() || it->second.empty() ? -1 : *it->second.begin()) << text;
        return a;
    }
    int Append(const std::string& text) {
        const int a = told_.Append(text);
        EXPECT_EQ(a, plain_.Append(text));
        model_[text].insert(a);
        firsts_.push_back(text);
        return a;
    }
    void SetCell(int row, int column, const std::string& text) {
        EXPECT_EQ(told_.SetCell(row, column, text), plain_.SetCell(row, column, text));
        if (column != 0) return;
        // The index answers the first row that holds a text.
        model_[firsts_[row]].erase(row);
        model_[text].insert(row);
        firsts_[row] = text;
    }
    std::string Cell(int row, int column) {
        const std::string a(told_.Cell(row, column));
        EXPECT_EQ(a, plain_.Cell(row, column)) << row << "," << column;
        return a;
    }
    void Clear() {
        told_.Clear();
        plain_.Clear();
        model_.clear();
        firsts_.clear();
    }
    void Tell(const std::string& text) { told_.Anticipate(text); }
    bool worth_anticipating() const { return told_.worth_anticipating(); }
    int size() const { return told_.size(); }

private:
    RowTable told_, plain_;
    std::map<std::string, std::set<int>> model_;  // each text's rows
    std::vector<std::string> firsts_;
};

constexpr int kAhead = 8;

// Step one over `pixels` (appending what is new, changing first columns now and then), the
// digits, then step two reading every pixel's second column. Now and then step two meets a
// colour that step one never saw (the picture changed between the steps).
void Scan(Pair& pair, const std::vector<std::string>& pixels, const Scenario& s,
          std::mt19937& rng) {
    const int n = static_cast<int>(pixels.size());
    auto tell = [&](int i) {
        if (i >= n) return;
        const bool wrong = static_cast<int>(rng() % 100) < s.wrong_ahead;
        pair.Tell(wrong ? std::to_string(rng()) : pixels[i]);
    };
    for (int i = 0; i < n; ++i) {
        tell(i + kAhead);
        if (pair.Find(pixels[i]) < 0) pair.Append(pixels[i]);
        if (static_cast<int>(rng() % 1000) < s.change_permille) {
            pair.SetCell(static_cast<int>(rng() % pair.size()), 0, std::to_string(rng() % 5000));
        }
    }
    for (int row = 0; row < pair.size(); ++row) {
        pair.SetCell(row, 1, std::to_string(rng() % 10) + std::to_string(rng() % 10));
    }
    for (int i = 0; i < n; ++i) {
        tell(i + kAhead);
        const bool absent = static_cast<int>(rng() % 100) < s.absent_percent;
        const int row = pair.Find(absent ? std::to_string(30000000 + rng() % 1000000) : pixels[i]);
        const std::string cell = pair.Cell(row, 1);
        if (row < 0) {
            EXPECT_EQ(cell, "");
        }
        if (static_cast<int>(rng() % 1000) < s.change_permille) {
            pair.SetCell(static_cast<int>(rng() % pair.size()), 1, std::to_string(rng() % 7));
        }
    }
}

TEST(RowTableAnticipate, EveryAnswerIsTheOneATableNeverToldGives) {
    const Scenario scenarios[] = {
        // name, colours, absent %, change per mille, clear midway, wrong ahead %
        {"a photo: most pixels a colour of their own", 60000, 0, 0, false, 0},
        {"colours the table does not have", 60000, 30, 0, false, 0},
        {"first columns changed between lookups", 60000, 5, 2, false, 0},
        {"rows deleted, then the table used again", 60000, 5, 0, true, 0},
        {"told of texts that never come", 60000, 10, 0, false, 50},
        {"pixel art: too few colours to be worth it", 16, 0, 0, false, 0},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        std::mt19937 rng(19);
        std::vector<int32_t> colours(static_cast<size_t>(s.colours));
        // Mostly colour values as a board gives them; some far longer texts (beyond the 8 bytes
        // a slot keeps), which the table finds through the row's own text.
        for (int32_t& c : colours) {
            c = rng() % 8 == 0 ? -static_cast<int32_t>(rng() >> 2) - 100000000
                               : static_cast<int32_t>(rng() & 0xFFFFFF);
        }
        std::vector<std::string> pixels;
        for (int i = 0; i < 2 * s.colours + 4096; ++i) {
            pixels.push_back(std::to_string(colours[rng() % colours.size()]));
        }
        Pair pair;
        Scan(pair, pixels, s, rng);
        // A photo's table is past the size where the scan tells it anything; the art's is not.
        EXPECT_EQ(pair.worth_anticipating(), s.colours > 16);
        if (s.clear_midway) {
            pair.Clear();
            EXPECT_EQ(pair.Find(pixels.front()), -1);
            Scan(pair, pixels, s, rng);
        }
        if (::testing::Test::HasFailure()) return;
    }
}

}  // namespace
}  // namespace quorix::host
