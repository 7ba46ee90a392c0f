// Every form section that once broke the reader (found by fuzzing) is refused with a reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "image/form.h"

namespace quorix::form {
namespace {

TEST(BadForms, EveryKeptFormIsRefusedWithAReason) {
    const std::filesystem::path dir = QUORIX_BAD_DATA_DIR;
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("form-", 0) != 0) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        auto form = ReadForm(bytes);
        EXPECT_FALSE(form.ok()) << name;
        if (!form.ok()) {
            EXPECT_FALSE(form.error().message.empty()) << name;
        }
        ++seen;
    }
    EXPECT_GE(seen, 2);
}

}  // namespace
}  // namespace quorix::form
