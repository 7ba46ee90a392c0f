// The loader's platform on Windows: the real KERNEL32, ADVAPI32 and USER32 calls.
#ifndef QUORIX_LOADER_PLATFORM_WIN32_H
#define QUORIX_LOADER_PLATFORM_WIN32_H

#include <string>

#include "loader/platform.h"

namespace quorix::loader {

class Win32Platform final : public LoaderPlatform {
public:
    char Separator() const override { return '\\'; }
    std::string OwnModulePath() override;
    Library OpenLibrary(const char* path) override;
    Entry FindEntry(Library library, const char* name) override;
    void CloseLibrary(Library library) override;
    bool OpenCurrentUserKey(const char* subkey, KeyHandle* key) override;
    bool QueryValue(KeyHandle key, const char* name, char* data, uint32_t* size) override;
    void CloseKey(KeyHandle key) override;
    void ShowMessage(const char* text, const char* caption, uint32_t flags) override;
};

}  // namespace quorix::loader

#endif  // QUORIX_LOADER_PLATFORM_WIN32_H
