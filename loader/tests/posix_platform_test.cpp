// The POSIX stand-in for the HKEY_CURRENT_USER registry hive.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "loader/loader.h"
#include "loader/platform_posix.h"
#include "scratch_dir.h"

namespace quorix::loader {
namespace {

using testing::InstallPathValue;
using testing::ScratchDir;
using testing::WriteFile;

TEST(CurrentUserHiveRoot, PrefersANonEmptyXdgConfigHome) {
    struct Row {
        const char* xdg_config_home;
        const char* home;
        std::optional<std::string> root;
    };
    const Row rows[] = {
        {"/cfg", "/home/u", "/cfg/hkcu/"},
        {"", "/home/u", "/home/u/.config/hkcu/"},
        {nullptr, "/home/u", "/home/u/.config/hkcu/"},
        {nullptr, nullptr, std::nullopt},
        {"", "", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.xdg_config_home ? row.xdg_config_home : "(unset)") + " " +
                     (row.home ? row.home : "(unset)"));
        EXPECT_EQ(CurrentUserHiveRoot(row.xdg_config_home, row.home), row.root);
    }
}

// Points XDG_CONFIG_HOME at a scratch folder for one test and puts the old value back after.
class PosixRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) saved_ = old;
        setenv("XDG_CONFIG_HOME", config_.path().c_str(), 1);
    }
    void TearDown() override {
        if (saved_) {
            setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
    }

    // Reads "Path" of the install key the way the loader does; nullopt when any step fails.
    std::optional<std::string> ReadInstallPath() {
        LoaderPlatform::KeyHandle key{};
        if (!platform_.OpenCurrentUserKey(kInstallKey, &key)) return std::nullopt;
        char data[260];
        uint32_t size = 259;
        const bool read = platform_.QueryValue(key, kInstallValue, data, &size);
        platform_.CloseKey(key);
        if (!read) return std::nullopt;
        EXPECT_LE(size, 259u);
        return std::string(data, size);
    }

    ScratchDir config_;
    PosixPlatform platform_;

private:
    std::optional<std::string> saved_;
};

TEST_F(PosixRegistry, ValueFileContentIsTheText) {
    struct Row {
        const char* name;
        std::string content;
        std::optional<std::string> text;
    };
    const Row rows[] = {
        {"plain", "/opt/lux", "/opt/lux"},
        {"editor newline dropped", "/opt/lux\n", "/opt/lux"},
        {"editor CR LF dropped", "/opt/lux\r\n", "/opt/lux"},
        {"only one newline dropped", "/opt/lux\n\n", "/opt/lux\n"},
        {"lone CR kept", "/opt/lux\r", "/opt/lux\r"},
        {"empty", "", ""},
        {"259 bytes fit", std::string(259, 'a'), std::string(259, 'a')},
        {"259 bytes and CR LF fit", std::string(259, 'a') + "\r\n", std::string(259, 'a')},
        {"260 bytes are too many", std::string(260, 'a'), std::nullopt},
        {"300 bytes are too many", std::string(300, 'a'), std::nullopt},
        {"much larger file", std::string(100000, 'a'), std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteFile(InstallPathValue(config_.path()), row.content);
        EXPECT_EQ(ReadInstallPath(), row.text);
    }
}

TEST_F(PosixRegistry, MissingKeyOrValueFails) {
    EXPECT_EQ(ReadInstallPath(), std::nullopt);  // no hive at all

    std::filesystem::create_directories(InstallPathValue(config_.path()).parent_path());
    LoaderPlatform::KeyHandle key{};
    ASSERT_TRUE(platform_.OpenCurrentUserKey(kInstallKey, &key));
    char data[260];
    uint32_t size = 259;
    EXPECT_FALSE(platform_.QueryValue(key, kInstallValue, data, &size));  // no value file
    platform_.CloseKey(key);

    std::filesystem::create_directory(InstallPathValue(config_.path()));
    EXPECT_EQ(ReadInstallPath(), std::nullopt);  // a folder is a key, not a value
}

TEST_F(PosixRegistry, KeyThatIsAFileFails) {
    WriteFile(config_.path() / "hkcu/Software/Corvane/Lux/Install", "not a folder");
    LoaderPlatform::KeyHandle key{};
    EXPECT_FALSE(platform_.OpenCurrentUserKey(kInstallKey, &key));
}

}  // namespace
}  // namespace quorix::loader
