// Every form section that once broke the reader (found by fuzzing) is kept under
// tests/data/bad/form-<defect>.bin, and is refused for its own defect, at the field at fault.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "image/form.h"

namespace quorix::form {
namespace {

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct KeptForm {
    const char* file;
    const char* message;  // the defect the file is named after
    uint32_t offset;      // the field at fault
};

const KeptForm kKeptForms[] = {
    // The second of the header's two zero words holds 0x31.
    {"form-reserved-word-not-zero.bin", "form zero words at 0x14: byte 4 is 0x31, not zero", 0x18},
    // A menu entry block at 0x2c42 (level 1) whose submenu flag word holds 0x100.
    {"form-menu-submenu-flag-not-boolean.bin", "menu submenu flag is 256, not 0 or 1", 0x2c68},
};

TEST(BadForms, EveryKeptFormIsRefusedForItsOwnDefect) {
    const std::filesystem::path dir = QUORIX_BAD_DATA_DIR;
    for (const KeptForm& kept : kKeptForms) {
        SCOPED_TRACE(kept.file);
        const std::vector<uint8_t> bytes = ReadFile(dir / kept.file);
        ASSERT_FALSE(bytes.empty());
        auto form = ReadForm(bytes);
        ASSERT_FALSE(form.ok());
        EXPECT_NE(form.error().message.find(kept.message), std::string::npos)
            << form.error().message;
        EXPECT_EQ(form.error().offset, kept.offset) << form.error().message;
    }
}

TEST(BadForms, EveryKeptFormFileIsListed) {
    std::set<std::string> listed;
    for (const KeptForm& kept : kKeptForms) listed.insert(kept.file);
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QUORIX_BAD_DATA_DIR)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("form-", 0) != 0) continue;
        EXPECT_TRUE(listed.count(name)) << name << " has no expected defect";
        ++seen;
    }
    EXPECT_EQ(seen, static_cast<int>(std::size(kKeptForms)));
}

}  // namespace
}  // namespace quorix::form
