// A temporary directory for one test, removed with everything in it when the test ends.
#ifndef QUORIX_LOADER_TESTS_SCRATCH_DIR_H
#define QUORIX_LOADER_TESTS_SCRATCH_DIR_H

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorix::loader::testing {

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qxldr-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Writes `content` to `file` byte for byte, creating the folders above it.
inline void WriteFile(const std::filesystem::path& file, std::string_view content) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

// The file holding the install directory below a configuration folder.
inline std::filesystem::path InstallPathValue(const std::filesystem::path& config_home) {
    return config_home / "hkcu/Software/Corvane/Lux/Install/Path";
}

}  // namespace quorix::loader::testing

#endif  // QUORIX_LOADER_TESTS_SCRATCH_DIR_H
