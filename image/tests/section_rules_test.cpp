// The relocation and fix-up rules the writer and the reader share: one message per rule, placed
// at the record when there is one and at the section header (or the image's start) when there is
// not.
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

TEST(FixupRules, ASiteWhoseWordEndsPastTheCodeIsRefusedWhereItStands) {
    EXPECT_TRUE(CheckFixupSite(1, 0, 0, 4, 0x200).ok());
    EXPECT_TRUE(CheckFixupSite(4, 3, 0x5c, 0x60, std::nullopt).ok());  // the last whole word

    const Result<void> read = CheckFixupSite(1, 0, 0x5d, 0x60, 0x457);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().message,
              "fix-up list 1 site 0 (0x5d) at 0x457: its word ends past the code's stored size "
              "0x60");
    EXPECT_EQ(read.error().offset, 0x457u);

    const Result<void> written = CheckFixupSite(3, 2, 0xFFFFFFFF, 0x60, std::nullopt);
    ASSERT_FALSE(written.ok());  // a site near 4 GiB must not wrap around
    EXPECT_EQ(written.error().message,
              "fix-up list 3 site 2 (0xffffffff): its word ends past the code's stored size 0x60");
    EXPECT_EQ(written.error().offset, 0u);
}

}  // namespace
}  // namespace quorix::image
