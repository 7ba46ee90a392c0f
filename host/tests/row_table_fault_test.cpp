// The ColorTable's index when the process can map no more memory (out of mappings or address
// space): this test binary is linked with --wrap=mmap, so that a test can refuse the runtime's
// mappings the way the kernel does (ENOMEM).
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cerrno>
#include <functional>
#include <string>

#include "host/iext/row_table.h"

namespace {

std::function<bool(size_t)> g_refuse;  // given the mapping's length, whether to refuse it
int g_refused = 0;

}  // namespace

extern "C" void* __real_mmap(void* addr, size_t length, int prot, int flags, int fd, off_t offset);

extern "C" void* __wrap_mmap(void* addr, size_t length, int prot, int flags, int fd, off_t offset) {
    if (g_refuse && g_refuse(length)) {
        ++g_refused;
        errno = ENOMEM;
        return MAP_FAILED;
    }
    return __real_mmap(addr, length, prot, flags, fd, offset);
}

namespace quorix::host {
namespace {

// Refuses the mappings `refuse` picks while it lives.
class RefusedMappings {
public:
    explicit RefusedMappings(std::function<bool(size_t)> refuse) {
        g_refused = 0;
        g_refuse = std::move(refuse);
    }
    ~RefusedMappings() { g_refuse = nullptr; }
    int refused() const { return g_refused; }
};

std::string Colour(int row) {
    // 7919 is odd: distinct rows give distinct colour values below 2^24.
    return std::to_string(int64_t{row} * 7919 % 16777216);
}

TEST(RowTableFaults, WithoutFreshMappingsTheIndexLivesOnTheHeapAndFindsEveryRow) {
    const struct {
        const char* what;
        std::function<bool(size_t)> refuse;
    } cases[] = {
        {"every mapping refused", [](size_t) { return true; }},
        // The index moves between mapped and heap slots as it grows.
        {"every other mapping refused", [n = 0](size_t) mutable { return n++ % 2 == 0; }},
        {"large mappings refused", [](size_t length) { return length >= (size_t{2} << 20); }},
    };
    // A photo's worth of colours: the index is made anew eleven times, up to 1 M slots (16 MB).
    constexpr int kRows = 300'000;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RowTable table;
        table.set_columns(2);
        RefusedMappings refused(c.refuse);
        for (int row = 0; row < kRows; ++row) ASSERT_EQ(table.Append(Colour(row)), row);
        EXPECT_GT(refused.refused(), 0) << "the table mapped no memory of its own";
        int wrong = 0;
        for (int row = 0; row < kRows; ++row) wrong += table.Find(Colour(row)) != row;
        EXPECT_EQ(wrong, 0) << "rows not found at their place";
        EXPECT_EQ(table.Find("16777216"), -1);
        // A changed first column makes the index be built anew, in the same conditions.
        ASSERT_TRUE(table.SetCell(5, 0, "x"));
        EXPECT_EQ(table.Find("x"), 5);
        EXPECT_EQ(table.Find(Colour(5)), -1);
        EXPECT_EQ(table.Find(Colour(kRows - 1)), kRows - 1);
    }
}

}  // namespace
}  // namespace quorix::host
