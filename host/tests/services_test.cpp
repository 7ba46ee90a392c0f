// Runtime services as the program calls them, through its stubs and the entry table: number to
// text, which both steps call once per pixel, and the allocator behind every text.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "host/krnln/runtime.h"
#include "runtime/program.h"
#include "testing/program_session.h"

namespace quorix {
namespace {

using testing::RunProgram;
using testing::Session;

TEST(Services, NumberToTextWritesThePlainDecimalForm) {
    RunProgram([](Session&) {
        const std::pair<int32_t, const char*> integers[] = {
            {0, "0"},
            {7, "7"},
            {10, "10"},
            {99, "99"},
            {100, "100"},
            {9999, "9999"},
            {10000, "10000"},
            {16777215, "16777215"},
            {-1, "-1"},
            {-10000, "-10000"},
            {INT32_MAX, "2147483647"},
            {INT32_MIN, "-2147483648"},
        };
        for (const auto& [value, text] : integers) {
            EXPECT_EQ(rt::NumberToText(value).view(), text) << value;
        }
        const std::pair<double, const char*> doubles[] = {
            {4.0, "4"},
            {-0.0, "0"},
            {2.5, "2.5"},
            {-0.125, "-0.125"},
            {1e14, "100000000000000"},
            {123456789012345.0, "123456789012345"},
        };
        for (const auto& [value, text] : doubles) {
            EXPECT_EQ(rt::NumberToText(value).view(), text) << value;
        }
    });
}

TEST(Services, TextsOfEveryShortLengthComeBackWhole) {
    // Short texts are copied and measured a word at a time: every length around the word.
    const auto result = RunProgram([](Session& s) {
        const uint64_t before = s.BlocksInUse();
        std::string bytes;
        for (int length = 0; length <= 40; ++length) {
            const rt::Text t = rt::NewText(bytes);
            EXPECT_EQ(t.view(), bytes) << length;
            const rt::Text joined = t + t;
            EXPECT_EQ(joined.view(), bytes + bytes) << length;
            bytes += static_cast<char>('a' + length % 26);
        }
        EXPECT_EQ(s.BlocksInUse(), before);
    });
    EXPECT_EQ(result.exit_code, 0);
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
