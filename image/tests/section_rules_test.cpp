// The relocation rules the writer and the reader share: one message per rule, placed at the
// record when there is one and at the section header when there is not.
#include <gtest/gtest.h>

#include <optional>

#include "image/section_rules.h"

namespace quorix::image {
namespace {

TEST(RelocationRules, EachRuleHasItsMessageAndPlace) {
    struct Case {
        const char* name;
        uint32_t kind;
        uint64_t site;
        std::optional<uint32_t> previous;
        std::optional<size_t> record_at;
        uint64_t stored;
        const char* message;  // empty: the relocation is valid
        uint32_t offset;
    };
    const Case cases[] = {
        {"valid first", 3, 0, std::nullopt, 0x40, 16, "", 0},
        {"valid last word", 0, 12, 8, std::nullopt, 16, "", 0},
        {"kind 4 read", 4, 0, std::nullopt, 0x40, 16,
         "relocation 2 of section \"code\" at 0x40 has kind 4; only 0 to 3 exist", 0x40},
        {"kind 7 written", 7, 0, std::nullopt, std::nullopt, 16,
         "relocation 2 of section \"code\" has kind 7; only 0 to 3 exist", 0x100},
        {"site repeated", 1, 8, 8, 0x44, 16,
         "relocation 2 of section \"code\" at 0x44 has site 0x8, not above the previous site 0x8",
         0x44},
        {"site below previous written", 1, 4, 8, std::nullopt, 16,
         "relocation 2 of section \"code\" has site 0x4, not above the previous site 0x8", 0x100},
        {"word past stored size", 2, 13, 8, 0x48, 16,
         "relocation 2 of section \"code\" at 0x48 has site 0xd, whose word ends past the stored "
         "size 0x10",
         0x48},
        {"site beyond 29 bits", 2, 0x20000000, 8, std::nullopt, 0x30000000,
         "relocation 2 of section \"code\" has site 0x20000000, whose word ends past the stored "
         "size 0x30000000",
         0x100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result<void> r =
            CheckRelocation("code", 2, c.kind, c.site, c.previous, c.stored, c.record_at, 0x100);
        if (*c.message == 0) {
            EXPECT_TRUE(r.ok()) << r.error().message;
            continue;
        }
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error().message, c.message);
        EXPECT_EQ(r.error().offset, c.offset);
    }
}

}  // namespace
}  // namespace quorix::image
