// Values that cross the runtime boundary: the argument blocks the program builds, read back as
// the runtime reads them, numbers as integers on both sides, and colour values against Qt's.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <type_traits>

#include "host/krnln/args.h"
#include "host/krnln/color_value.h"
#include "runtime/program.h"

namespace quorix {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

// A block has room for exactly the arguments it is made from: a miscount does not compile.
static_assert(std::is_constructible_v<rt::Args<2>, int32_t, bool>);
static_assert(!std::is_constructible_v<rt::Args<2>, int32_t>);
static_assert(!std::is_constructible_v<rt::Args<2>, int32_t, int32_t, int32_t>);
// Nor does an argument that could be passed two ways, or one that would turn into a bool.
static_assert(!std::is_constructible_v<rt::Args<1>, uint32_t>);
static_assert(!std::is_constructible_v<rt::Args<1>, const uint32_t*>);
static_assert(!std::is_constructible_v<rt::Args<1>, const char*>);

TEST(ArgsToInteger, BothSidesGiveEveryNumberTheSameInteger) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double number;
        int32_t integer;
    } cases[] = {
        {0.0, 0},
        {-0.0, 0},
        {5e-324, 0},  // the smallest denormal
        {0.99, 0},
        {-0.99, 0},  // toward zero, not down
        {2.5, 2},
        {-2.5, -2},
        {123456789.99, 123456789},
        {2147483646.5, 2147483646},
        {2147483647.0, kMax},
        {2147483647.99, kMax},
        {2147483648.0, kMax},  // the first value beyond the range
        {1e300, kMax},
        {inf, kMax},
        {-2147483647.5, -2147483647},
        {-2147483648.0, kMin},
        {-2147483648.99, kMin},  // truncates to the end itself
        {-2147483649.0, kMin},
        {-1e300, kMin},
        {-inf, kMin},
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {-std::numeric_limits<double>::quiet_NaN(), 0},
        {std::numeric_limits<double>::signaling_NaN(), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.number);
        EXPECT_EQ(rt::ToInteger(c.number), c.integer);
        // The same number passed to the runtime as a double argument.
        const rt::Args<1> block(c.number);
        const host::ArgView view(block.block());
        EXPECT_EQ(view.Int(0), c.integer);
        EXPECT_EQ(std::bit_cast<uint64_t>(view.Double(0)), std::bit_cast<uint64_t>(c.number));
    }
}

TEST(ArgsBlock, EveryKindOfArgumentReadsBackInItsPlace) {
    const rt::ArgTriple object{0x1234, 0, 0x00050001};
    const rt::Args<7> block(object, int32_t{-7}, true, 0.25, rt::kOmitted, abi::kPicturePng, false);
    const host::ArgView view(block.block());
    ASSERT_EQ(view.count(), 7u);
    EXPECT_EQ(view.at(0).low, 0x1234u);
    EXPECT_EQ(view.at(0).type, 0x00050001u);
    EXPECT_EQ(view.Int(1), -7);
    EXPECT_EQ(view.at(1).type, uint32_t{QX_ARG_INT});
    EXPECT_TRUE(view.Bool(2));
    EXPECT_EQ(view.at(2).type, uint32_t{QX_ARG_BOOL});
    EXPECT_EQ(view.Double(3), 0.25);
    EXPECT_TRUE(view.at(4).omitted());
    EXPECT_EQ(view.Int(4, 42), 42);  // an omitted argument takes the command's default
    EXPECT_EQ(view.Int(5), int32_t{abi::kPicturePng});
    EXPECT_FALSE(view.Bool(6));
    EXPECT_TRUE(view.at(7).omitted());  // nothing is read past the count
}

TEST(ColorValue, ValuesAndPixelsConvertBothWays) {
    const struct {
        uint32_t value;  // 0x00BBGGRR
        QRgb rgb;        // 0xAARRGGBB
    } cases[] = {
        {0x000000FF, 0xFFFF0000},  // red
        {0x0000FF00, 0xFF00FF00},  // green
        {0x00FF0000, 0xFF0000FF},  // blue
        {0x00030201, 0xFF010203}, {0x00FFFFFF, 0xFFFFFFFF}, {0x00000000, 0xFF000000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.value);
        EXPECT_EQ(host::RgbFromValue(c.value), c.rgb);
        EXPECT_EQ(host::ValueFromRgb(c.rgb), c.value);
        EXPECT_EQ(host::ColorFromValue(c.value), QColor::fromRgb(c.rgb));
        EXPECT_EQ(host::ValueFromColor(QColor::fromRgb(c.rgb)), c.value);
        // A pixel's alpha and a value's top byte are not part of the colour.
        EXPECT_EQ(host::ValueFromRgb(c.rgb & 0x00FFFFFF), c.value);
        EXPECT_EQ(host::RgbFromValue(c.value | 0xAB000000), c.rgb);
    }
}

}  // namespace
}  // namespace quorix
