// The operations the loader needs from the operating system, one virtual call each.
//
// The loader's search for the core runtime is written once against this interface; the host
// operating system provides one implementation (Win32 or POSIX) and the tests a recording fake.
// Handles are opaque words so that this header pulls in no system header, and no method is
// named like a Win32 function (windows.h defines some of those names as macros).
#ifndef QUORIX_LOADER_PLATFORM_H
#define QUORIX_LOADER_PLATFORM_H

#include <cstdint>
#include <string>

namespace quorix::loader {

class LoaderPlatform {
public:
    // A loaded library; null means "not loaded".
    using Library = void*;
    // An exported entry of a library. The caller casts it to the entry's real type.
    using Entry = void (*)();
    // An open registry key. Only meaningful after OpenCurrentUserKey returned true.
    using KeyHandle = std::uintptr_t;

    virtual ~LoaderPlatform() = default;

    // The character that separates directories in a path ('\\' on Windows, '/' elsewhere).
    virtual char Separator() const = 0;

    // Full path of the program's own file, never cut short; empty when it cannot be found.
    virtual std::string OwnModulePath() = 0;

    // Loads the library at `path` and runs its initialisers; null when missing or unloadable.
    virtual Library OpenLibrary(const char* path) = 0;
    virtual Entry FindEntry(Library library, const char* name) = 0;
    virtual void CloseLibrary(Library library) = 0;

    // Opens `subkey` (backslash-separated) under HKEY_CURRENT_USER for reading.
    virtual bool OpenCurrentUserKey(const char* subkey, KeyHandle* key) = 0;
    // Reads the value `name` of `key` into `data`. On entry `*size` is the number of bytes
    // offered; on success it is the number of bytes written, which is never more than offered.
    // The text written need not end in a NUL. Fails when the value is absent or does not fit.
    virtual bool QueryValue(KeyHandle key, const char* name, char* data, uint32_t* size) = 0;
    virtual void CloseKey(KeyHandle key) = 0;

    // Shows `text` to the user and returns once it has been acknowledged.
    virtual void ShowMessage(const char* text, const char* caption, uint32_t flags) = 0;
};

}  // namespace quorix::loader

#endif  // QUORIX_LOADER_PLATFORM_H
