#include "host/krnln/program_memory.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace quorix::host {
namespace {

TEST(ProgramMemory, BlocksAreAlignedDistinctAndKeepTheirSize) {
    ProgramMemory m(64 << 20);
    ASSERT_TRUE(m.valid());
    std::set<QxAddr> seen;
    for (uint32_t size : {0u, 1u, 7u, 8u, 9u, 24u, 100u, 4096u, 70000u}) {
        const QxAddr a = m.Allocate(size);
        ASSERT_NE(a, 0u) << size;
        EXPECT_EQ(a % 8, 0u);
        EXPECT_EQ(m.BlockSize(a), size);
        EXPECT_TRUE(seen.insert(a).second);
        std::memset(m.At(a), 0xAB, size);  // the whole block is writable
    }
    EXPECT_EQ(m.blocks_in_use(), 9u);
}

TEST(ProgramMemory, FreedBlocksAreReusedAndCounted) {
    ProgramMemory m(64 << 20);
    const QxAddr a = m.Allocate(12);
    const QxAddr b = m.Allocate(12);
    EXPECT_EQ(m.blocks_in_use(), 2u);
    m.Free(a);
    EXPECT_EQ(m.blocks_in_use(), 1u);
    EXPECT_EQ(m.Allocate(10), a);  // same size class: the freed block comes back
    m.Free(a);
    m.Free(b);
    EXPECT_EQ(m.blocks_in_use(), 0u);
    // Allocating and freeing many times does not grow memory.
    for (int i = 0; i < 20; ++i) m.Free(m.Allocate(static_cast<uint32_t>(i)));
    const uint32_t end = m.end();
    for (int i = 0; i < 100000; ++i) m.Free(m.Allocate(static_cast<uint32_t>(i % 20)));
    EXPECT_EQ(m.end(), end);
}

TEST(ProgramMemory, StrayAndDoubleFreesChangeNothing) {
    ProgramMemory m(64 << 20);
    const QxAddr a = m.Allocate(32);
    const QxAddr b = m.Allocate(32);
    m.Free(a);
    m.Free(a);      // double free
    m.Free(b + 4);  // inside a block
    m.Free(0);
    m.Free(0xFFFFFFF0u);
    EXPECT_EQ(m.blocks_in_use(), 1u);
    EXPECT_TRUE(m.IsLiveBlock(b));
    // The double free did not put `a` on the free list twice.
    const QxAddr c = m.Allocate(32);
    const QxAddr d = m.Allocate(32);
    EXPECT_NE(c, d);
}

TEST(ProgramMemory, LargeBlocksAreReusedAndExhaustionGivesZero) {
    ProgramMemory m(16 << 20);
    const QxAddr big = m.Allocate(3 << 20);
    ASSERT_NE(big, 0u);
    std::memset(m.At(big), 1, 3 << 20);
    m.Free(big);
    EXPECT_EQ(m.Allocate(3 << 20), big);
    EXPECT_EQ(m.Allocate(15 << 20), 0u);  // more than is left of the reservation
    EXPECT_EQ(m.Allocate(0xFFFFFFFFu), 0u);
}

TEST(ProgramMemory, FreeingALargeBlockLeavesTheNextBlockIntact) {
    ProgramMemory m(64 << 20);
    m.Allocate(100);  // the large block then starts inside a page, not at its start
    const QxAddr large = m.Allocate(100000);
    const QxAddr next = m.NewText("the next block");
    ASSERT_NE(large, 0u);
    std::memset(m.At(large), 7, 100000);
    m.Free(large);
    // The pages given back are only those wholly inside the freed block.
    EXPECT_TRUE(m.IsLiveBlock(next));
    EXPECT_EQ(m.Text(next), "the next block");
    EXPECT_EQ(m.blocks_in_use(), 2u);
}

TEST(ProgramMemory, TextsAndBinariesAreBoundedByMemory) {
    ProgramMemory m(64 << 20);
    const QxAddr t = m.NewText("停止-");
    EXPECT_EQ(m.Text(t), "停止-");
    EXPECT_EQ(m.Text(0), "");
    EXPECT_EQ(m.Text(0xFFFFFF00u), "");  // outside memory: the empty text, not a read past it
    const QxAddr bin = m.NewBinary(std::string_view("\0ab", 3));
    EXPECT_EQ(m.Binary(bin), std::string_view("\0ab", 3));
    // A block that does not start with the binary marker, or whose length runs past the end
    // of memory, is no binary.
    EXPECT_EQ(m.Binary(t), "");
    const QxAddr fake = m.Allocate(8);
    const uint32_t head[2] = {1, 0x7FFFFFFF};
    std::memcpy(m.At(fake), head, 8);
    EXPECT_EQ(m.Binary(fake), "");
}

}  // namespace
}  // namespace quorix::host
