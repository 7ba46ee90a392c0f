// The checked cursor and the little-endian writer.
#include <gtest/gtest.h>

#include <limits>

#include "image/bytes.h"

namespace quorix::image {
namespace {

TEST(ByteReader, ReadsLittleEndianFieldsAtOddOffsets) {
    const std::vector<uint8_t> bytes = {0xEE, 0x01, 0x02, 0x03, 0x04, 0xFE, 0xFF, 0xFF,
                                        0xFF, 0x34, 0x12, 'a',  'b',  0,    0x7F};
    ByteReader in(bytes, "image");
    EXPECT_EQ(*in.ReadU8("a"), 0xEE);
    EXPECT_EQ(*in.ReadU32("b"), 0x04030201u);
    EXPECT_EQ(*in.ReadI32("c"), -2);
    EXPECT_EQ(*in.ReadU16("d"), 0x1234);
    Result<std::span<const uint8_t>> text = in.ReadCString("e");
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(std::string(text->begin(), text->end()), "ab");
    EXPECT_EQ(in.offset(), 14u);  // the NUL is consumed
    EXPECT_EQ(in.remaining(), 1u);
}

TEST(ByteReader, ReadPastTheEndNamesFieldOffsetAndLimitAndDoesNotMove) {
    const std::vector<uint8_t> bytes(6, 0);
    ByteReader in(bytes, "form section");
    ASSERT_TRUE(in.Skip(3, "skip").ok());
    Result<uint32_t> word = in.ReadU32("unit count");
    ASSERT_FALSE(word.ok());
    EXPECT_EQ(word.error().message,
              "unit count at 0x3 needs 0x4 bytes, past the end of the form section of size 0x6");
    EXPECT_EQ(word.error().offset, 3u);
    EXPECT_EQ(in.offset(), 3u);
    EXPECT_EQ(*in.ReadU16("fits"), 0);
}

TEST(ByteReader, ArrayReadsCheckTheProductBeforeForming) {
    // A count word at 0 sizes the array that follows it at 4; an error names the count's own
    // offset, not the array's.
    const std::vector<uint8_t> bytes(20, 0);
    struct Case {
        uint64_t count;
        size_t element_size;
        const char* message;  // empty: the read succeeds
    };
    const Case cases[] = {
        {4, 4, ""},
        {0, 4, ""},
        {3, 4, ""},
        {5, 4,
         "relocation count 0x5 at 0x0 needs 0x14 bytes, past the end of the image of size 0x14"},
        // On 64-bit hosts this product wraps to 4: the overflow must be caught, not the wrap.
        {std::numeric_limits<size_t>::max() / 4 + 2, 4,
         "relocation count 0x4000000000000001 at 0x0 overflows when multiplied by 0x4 bytes"},
        {0x40000001, 4, "relocation count 0x40000001 at 0x0 needs 0x100000004 bytes, past the end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        ByteReader in(bytes, "image");
        ASSERT_TRUE(in.Skip(4, "count word").ok());
        Result<std::span<const uint8_t>> data =
            in.ReadArray(Count{c.count, 0, "relocation count"}, c.element_size);
        if (*c.message == 0) {
            ASSERT_TRUE(data.ok());
            EXPECT_EQ(data->size(), c.count * c.element_size);
            EXPECT_EQ(in.offset(), 4 + c.count * c.element_size);
        } else {
            ASSERT_FALSE(data.ok());
            EXPECT_NE(data.error().message.find(c.message), std::string::npos)
                << data.error().message;
            EXPECT_EQ(data.error().offset, 0u);
            EXPECT_EQ(in.offset(), 4u);
        }
    }
}

TEST(ByteReader, CountRemembersItsOwnOffsetForTheArrayItSizes) {
    const std::vector<uint8_t> bytes = {0xAA, 3, 0, 0, 0, 1, 2, 3};
    ByteReader in(bytes, "form section");
    ASSERT_TRUE(in.Skip(1, "lead").ok());
    Result<Count> count = in.ReadCount("cursor block length");
    ASSERT_TRUE(count.ok());
    EXPECT_EQ(count->value, 3u);
    EXPECT_EQ(count->offset, 1u);
    EXPECT_STREQ(count->what, "cursor block length");
    ASSERT_TRUE(in.ReadArray(*count, 1).ok());
    Result<std::span<const uint8_t>> again = in.ReadArray(*count, 1);
    ASSERT_FALSE(again.ok());
    EXPECT_EQ(again.error().message,
              "cursor block length 0x3 at 0x1 needs 0x3 bytes, past the end of the form section "
              "of size 0x8");
    EXPECT_EQ(again.error().offset, 1u);
    EXPECT_FALSE(in.ReadCount("past the end").ok());
}

TEST(ByteReader, U32ArrayDecodesEachWord) {
    const std::vector<uint8_t> bytes = {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 9};
    ByteReader in(bytes, "image");
    Result<std::vector<uint32_t>> words = in.ReadU32Array(Count{2, 0, "count"});
    ASSERT_TRUE(words.ok());
    EXPECT_EQ(*words, (std::vector<uint32_t>{1, 0xFFFFFFFF}));
}

TEST(ByteReader, UnterminatedTextAndSeekPastEndAreRefused) {
    const std::vector<uint8_t> bytes = {'a', 'b', 'c'};
    ByteReader in(bytes, "image");
    Result<std::span<const uint8_t>> text = in.ReadCString("library table row 0");
    ASSERT_FALSE(text.ok());
    EXPECT_EQ(text.error().message,
              "library table row 0 at 0x0 has no NUL before the end of the image of size 0x3");
    ASSERT_TRUE(in.Seek(3, "end").ok());
    EXPECT_FALSE(in.ReadCString("empty tail").ok());
    Result<void> seek = in.Seek(4, "section offset");
    ASSERT_FALSE(seek.ok());
    EXPECT_EQ(seek.error().message, "section offset 0x4 is past the end of the image of size 0x3");
}

TEST(ByteWriter, AppendsLittleEndianFieldsAndTexts) {
    ByteWriter out;
    out.U8(0xAB);
    out.U16(0x1234);
    out.U32(0xDEADBEEF);
    out.I32(-1);
    out.Text("hi");
    out.Zeros(2);
    const uint8_t tail[] = {7, 8};
    out.Bytes(tail);
    EXPECT_EQ(out.bytes(), (std::vector<uint8_t>{0xAB, 0x34, 0x12, 0xEF, 0xBE, 0xAD, 0xDE, 0xFF,
                                                 0xFF, 0xFF, 0xFF, 'h', 'i', 0, 0, 0, 7, 8}));
}

TEST(ByteWriter, PatchesOnlyWordsAlreadyWritten) {
    ByteWriter out;
    out.Zeros(6);
    EXPECT_TRUE(out.PatchU32(1, 0x04030201).ok());
    EXPECT_TRUE(out.PatchU32(2, 0x05050505).ok());
    EXPECT_FALSE(out.PatchU32(3, 0).ok());
    EXPECT_FALSE(out.PatchU32(std::numeric_limits<size_t>::max() - 1, 0).ok());
    EXPECT_EQ(out.bytes(), (std::vector<uint8_t>{0, 1, 5, 5, 5, 5}));
}

}  // namespace
}  // namespace quorix::image
