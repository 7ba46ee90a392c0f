// The loader's platform on POSIX systems (Linux): /proc/self/exe, dlopen, standard error, and
// a directory tree standing in for the HKEY_CURRENT_USER registry hive.
#ifndef QUORIX_LOADER_PLATFORM_POSIX_H
#define QUORIX_LOADER_PLATFORM_POSIX_H

#include <optional>
#include <string>

#include "loader/platform.h"

namespace quorix::loader {

// The folder that stands in for HKEY_CURRENT_USER, ending in '/':
// "$XDG_CONFIG_HOME/hkcu/" when that variable is set and not empty, else "$HOME/.config/hkcu/".
// Empty optional when neither variable gives a folder. The arguments are the variables' values
// (null when unset).
std::optional<std::string> CurrentUserHiveRoot(const char* xdg_config_home, const char* home);

// A registry key is a folder below the hive root (its backslashes become '/'); a value is a
// regular file in that folder whose content is the value's text. One trailing "\n" or "\r\n",
// as an editor leaves it, is not part of the text.
class PosixPlatform final : public LoaderPlatform {
public:
    char Separator() const override { return '/'; }
    std::string OwnModulePath() override;
    Library OpenLibrary(const char* path) override;
    Entry FindEntry(Library library, const char* name) override;
    void CloseLibrary(Library library) override;
    bool OpenCurrentUserKey(const char* subkey, KeyHandle* key) override;
    bool QueryValue(KeyHandle key, const char* name, char* data, uint32_t* size) override;
    void CloseKey(KeyHandle key) override;
    // One line on standard error: "<caption>: <text>".
    void ShowMessage(const char* text, const char* caption, uint32_t flags) override;
};

}  // namespace quorix::loader

#endif  // QUORIX_LOADER_PLATFORM_POSIX_H
