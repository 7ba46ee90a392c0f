#include "loader/platform_win32.h"

#include <windows.h>

namespace quorix::loader {
namespace {

// Longest own path we accept: the longest path Windows can name, with room for its NUL.
constexpr DWORD kMaxOwnPath = 32768;

HKEY KeyOf(LoaderPlatform::KeyHandle key) {
    return reinterpret_cast<HKEY>(key);
}

}  // namespace

std::string Win32Platform::OwnModulePath() {
    // A path that does not fit comes back cut to the buffer's size, so grow the buffer until
    // the length returned is below it.
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD capacity = static_cast<DWORD>(path.size());
        const DWORD n = GetModuleFileNameA(nullptr, path.data(), capacity);
        if (n == 0) return {};
        if (n < capacity) {
            path.resize(n);
            return path;
        }
        if (capacity >= kMaxOwnPath) return {};
        path.resize(std::size_t{capacity} * 2);
    }
}

LoaderPlatform::Library Win32Platform::OpenLibrary(const char* path) {
    return reinterpret_cast<Library>(LoadLibraryA(path));
}

LoaderPlatform::Entry Win32Platform::FindEntry(Library library, const char* name) {
    return reinterpret_cast<Entry>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void Win32Platform::CloseLibrary(Library library) {
    FreeLibrary(static_cast<HMODULE>(library));
}

bool Win32Platform::OpenCurrentUserKey(const char* subkey, KeyHandle* key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey, 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return false;
    }
    *key = reinterpret_cast<KeyHandle>(opened);
    return true;
}

bool Win32Platform::QueryValue(KeyHandle key, const char* name, char* data, uint32_t* size) {
    // The value's type is not asked for: whatever bytes are stored are taken as the text.
    DWORD bytes = *size;
    if (RegQueryValueExA(KeyOf(key), name, nullptr, nullptr, reinterpret_cast<BYTE*>(data),
                         &bytes) != ERROR_SUCCESS) {
        return false;
    }
    *size = bytes;
    return true;
}

void Win32Platform::CloseKey(KeyHandle key) {
    RegCloseKey(KeyOf(key));
}

void Win32Platform::ShowMessage(const char* text, const char* caption, uint32_t flags) {
    MessageBoxA(nullptr, text, caption, flags);
}

}  // namespace quorix::loader
