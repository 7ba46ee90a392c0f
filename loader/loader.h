// The program's entry logic: find the core runtime library, hand it the program image, and
// report the one error the program ever shows when that is impossible.
#ifndef QUORIX_LOADER_LOADER_H
#define QUORIX_LOADER_LOADER_H

#include <cstdint>
#include <optional>
#include <string_view>

#include "loader/platform.h"

namespace quorix::loader {

// The runtime library looked for in the program's own directory.
inline constexpr char kBesideLibraryName[] = "krnln.fnr";
// The runtime library looked for in the runtime install directory.
inline constexpr char kInstalledLibraryName[] = "krnln.dqm";
// Registry key under HKEY_CURRENT_USER and its value naming the runtime install directory.
inline constexpr char kInstallKey[] = "Software\\Corvane\\Lux\\Install";
inline constexpr char kInstallValue[] = "Path";

inline constexpr char kErrorText[] =
    "Not found the kernel library or the kernel library is invalid!";
inline constexpr char kErrorCaption[] = "Error";
// MB_ICONERROR: the error icon and a single OK button.
inline constexpr uint32_t kErrorFlags = 0x10;

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = -1;

// The directory part of `path`: everything up to and including its last separator. Empty
// optional when the path holds no separator (including the empty path).
std::optional<std::string_view> ProgramDirectory(std::string_view path, char separator);

// Finds the core runtime (beside the program, else in the install directory the registry
// names), asks it for its start entry and runs `image` through it. Returns the process exit
// code: 0 once the start entry has returned, -1 after the error message was shown.
int RunLoader(LoaderPlatform& platform, const void* image, uint32_t size);

}  // namespace quorix::loader

#endif  // QUORIX_LOADER_LOADER_H
