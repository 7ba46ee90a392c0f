// Program directories and the bounded path buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "loader/loader.h"
#include "loader/path_buffer.h"

namespace quorix::loader {
namespace {

TEST(ProgramDirectory, EndsAfterTheLastSeparator) {
    struct Row {
        const char* path;
        char separator;
        std::optional<std::string> directory;
    };
    const Row rows[] = {
        {"C:\\a.exe", '\\', "C:\\"},
        {"C:\\Tools\\x\\demo.exe", '\\', "C:\\Tools\\x\\"},
        {"C:\\x\\q", '\\', "C:\\x\\"},  // name shorter than six characters
        {"\\q", '\\', "\\"},
        {"C:\\dir\\", '\\', "C:\\dir\\"},
        {"/opt/quorix/quorix", '/', "/opt/quorix/"},
        {"/q", '/', "/"},
        {"C:\\a.exe", '/', std::nullopt},  // the other system's separator does not count
        {"demo.exe", '\\', std::nullopt},
        {"", '\\', std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const std::optional<std::string_view> directory = ProgramDirectory(row.path, row.separator);
        EXPECT_EQ(directory, row.directory);
    }
}

TEST(PathBuffer, AppendRefusesWhatWouldNotFitWithItsNul) {
    PathBuffer path;
    ASSERT_TRUE(path.Append(std::string(250, 'a')));
    EXPECT_FALSE(path.Append(std::string(10, 'b')));  // 260 bytes would leave no room for NUL
    EXPECT_EQ(path.view(), std::string(250, 'a'));    // a refused append changes nothing
    EXPECT_TRUE(path.Append(std::string(9, 'b')));    // 259 bytes and the NUL: exactly full
    EXPECT_EQ(path.size(), 259u);
    EXPECT_EQ(std::strlen(path.c_str()), 259u);
    EXPECT_FALSE(path.Append("c"));
    EXPECT_TRUE(path.Append(""));
}

TEST(PathBuffer, AdoptTakesTheTextAReadLeft) {
    struct Row {
        const char* name;
        std::string written;
        std::size_t reported;
        std::string text;
    };
    const Row rows[] = {
        {"with terminating NUL", std::string("D:\\rt\0", 6), 6, "D:\\rt"},
        {"without terminating NUL", "D:\\rt", 5, "D:\\rt"},
        {"NUL inside ends the text", std::string("D:\0rt", 5), 5, "D:"},
        {"nothing written", "", 0, ""},
        {"full read is terminated inside the buffer", std::string(259, 'x'), 259,
         std::string(259, 'x')},
        {"size reported past the read capacity is clamped", std::string(259, 'x'), 4000,
         std::string(259, 'x')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PathBuffer path;
        std::memset(path.raw(), 'z', PathBuffer::kCapacity);  // leftovers of an earlier text
        std::memcpy(path.raw(), row.written.data(), row.written.size());
        path.Adopt(row.reported);
        EXPECT_EQ(path.view(), row.text);
        EXPECT_STREQ(path.c_str(), row.text.c_str());
    }
}

}  // namespace
}  // namespace quorix::loader
