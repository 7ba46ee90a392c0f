#include "loader/platform_posix.h"

#include "loader/elf_check.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quorix::loader {
namespace {

// Longest own path we accept; far beyond any real one, it only bounds the growing buffer.
constexpr std::size_t kMaxOwnPath = std::size_t{1} << 20;

// Reads from `fd` until end of file or until `buffer` is full. Returns the bytes read, or -1.
ssize_t ReadFully(int fd, char* buffer, std::size_t capacity) {
    std::size_t total = 0;
    while (total < capacity) {
        const ssize_t n = read(fd, buffer + total, capacity - total);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        total += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(total);
}

int KeyDescriptor(LoaderPlatform::KeyHandle key) {
    return static_cast<int>(key);
}

}  // namespace

std::optional<std::string> CurrentUserHiveRoot(const char* xdg_config_home, const char* home) {
    std::string root;
    if (xdg_config_home != nullptr && *xdg_config_home != '\0') {
        root = xdg_config_home;
    } else if (home != nullptr && *home != '\0') {
        root = home;
        root += "/.config";
    } else {
        return std::nullopt;
    }
    root += "/hkcu/";
    return root;
}

std::string PosixPlatform::OwnModulePath() {
    // readlink does not say whether it cut the path, so grow the buffer until a read leaves
    // room to spare.
    std::string path(256, '\0');
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
        if (n <= 0) return {};
        if (static_cast<std::size_t>(n) < path.size()) {
            path.resize(static_cast<std::size_t>(n));
            return path;
        }
        if (path.size() >= kMaxOwnPath) return {};
        path.resize(path.size() * 2);
    }
}

LoaderPlatform::Library PosixPlatform::OpenLibrary(const char* path) {
    // A library cut short would crash the process while it is mapped; it cannot be loaded.
    if (!IsCompleteSharedObject(path)) return nullptr;
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

LoaderPlatform::Entry PosixPlatform::FindEntry(Library library, const char* name) {
    return reinterpret_cast<Entry>(dlsym(library, name));
}

void PosixPlatform::CloseLibrary(Library library) {
    dlclose(library);
}

bool PosixPlatform::OpenCurrentUserKey(const char* subkey, KeyHandle* key) {
    std::optional<std::string> path =
        CurrentUserHiveRoot(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    if (!path) return false;
    const std::size_t start = path->size();
    path->append(subkey);
    std::replace(path->begin() + static_cast<std::ptrdiff_t>(start), path->end(), '\\', '/');
    // Opening for reading fails unless the key is a directory we may list.
    const int fd = open(path->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    *key = static_cast<KeyHandle>(fd);
    return true;
}

bool PosixPlatform::QueryValue(KeyHandle key, const char* name, char* data, uint32_t* size) {
    // O_NONBLOCK: a FIFO placed where the value should be must not hang the program.
    const int fd = openat(KeyDescriptor(key), name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return false;
    }
    // Read one byte more than the largest acceptable file (text plus "\r\n") to notice one
    // that is too large without reading all of it.
    std::string content(std::size_t{*size} + 3, '\0');
    const ssize_t n = ReadFully(fd, content.data(), content.size());
    close(fd);
    if (n < 0 || static_cast<std::size_t>(n) == content.size()) return false;
    content.resize(static_cast<std::size_t>(n));

    if (content.ends_with("\r\n")) {
        content.resize(content.size() - 2);
    } else if (content.ends_with('\n')) {
        content.pop_back();
    }
    if (content.size() > *size) return false;
    std::memcpy(data, content.data(), content.size());
    *size = static_cast<uint32_t>(content.size());
    return true;
}

void PosixPlatform::CloseKey(KeyHandle key) {
    close(KeyDescriptor(key));
}

void PosixPlatform::ShowMessage(const char* text, const char* caption, uint32_t /*flags*/) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
}

}  // namespace quorix::loader
