#include "loader/loader.h"

#include <string>

#include "loader/path_buffer.h"
#include "runtime/abi.h"

namespace quorix::loader {
namespace {

// The runtime library beside the program, or null. A program path that cannot be read or
// holds no separator names no directory, so there is nothing to look beside and the
// install directory is tried as if the library were missing.
LoaderPlatform::Library OpenBesideLibrary(LoaderPlatform& platform) {
    const std::string own_path = platform.OwnModulePath();
    const std::optional<std::string_view> directory =
        ProgramDirectory(own_path, platform.Separator());
    if (!directory) return nullptr;
    std::string path(*directory);
    path += kBesideLibraryName;
    return platform.OpenLibrary(path.c_str());
}

// The runtime library in the install directory that the registry names, or null. An empty
// install directory, or one too long to take the separator and the file name within the path
// buffer, names no library.
LoaderPlatform::Library OpenInstalledLibrary(LoaderPlatform& platform) {
    LoaderPlatform::KeyHandle key{};
    if (!platform.OpenCurrentUserKey(kInstallKey, &key)) return nullptr;

    PathBuffer path;
    uint32_t value_size = PathBuffer::kReadCapacity;
    const bool read = platform.QueryValue(key, kInstallValue, path.raw(), &value_size);
    platform.CloseKey(key);
    if (!read) return nullptr;
    path.Adopt(value_size);
    if (path.empty()) return nullptr;

    const char separator = platform.Separator();
    if (path.view().back() != separator && !path.Append(std::string_view(&separator, 1))) {
        return nullptr;
    }
    if (!path.Append(kInstalledLibraryName)) return nullptr;
    return platform.OpenLibrary(path.c_str());
}

int Fail(LoaderPlatform& platform) {
    platform.ShowMessage(kErrorText, kErrorCaption, kErrorFlags);
    return kExitFailure;
}

}  // namespace

std::optional<std::string_view> ProgramDirectory(std::string_view path, char separator) {
    const std::size_t last = path.rfind(separator);
    if (last == std::string_view::npos) return std::nullopt;
    return path.substr(0, last + 1);
}

int RunLoader(LoaderPlatform& platform, const void* image, uint32_t size) {
    // Once a library is loaded there is no second attempt: a library beside the program that
    // turns out to be unusable is an error even when an installed runtime exists.
    LoaderPlatform::Library library = OpenBesideLibrary(platform);
    if (library == nullptr) library = OpenInstalledLibrary(platform);
    if (library == nullptr) return Fail(platform);

    const auto get_new_sock =
        reinterpret_cast<QxGetNewSockFn>(platform.FindEntry(library, QX_GET_NEW_SOCK_NAME));
    if (get_new_sock == nullptr) {
        platform.CloseLibrary(library);
        return Fail(platform);
    }
    const QxStartEntry start = get_new_sock(QX_HANDOFF_VERSION);
    if (start == nullptr) {
        platform.CloseLibrary(library);
        return Fail(platform);
    }

    // The start entry returns when the program has ended; what it returns does not change the
    // exit code. The library stays loaded until the process ends: exit handlers the runtime
    // registered live in its code.
    static_cast<void>(start(image, size));
    return kExitSuccess;
}

}  // namespace quorix::loader
