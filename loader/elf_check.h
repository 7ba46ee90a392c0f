// A check made before a library file is handed to the system's loader: a shared object cut
// short (a failed copy, a full disk) would be mapped past its end and crash the process with a
// bus error instead of failing to load.
#pragma once

namespace quorix::loader {

// True when `path` is a complete ELF shared object of this machine's class: its program
// headers, every loadable segment and its section headers lie inside the file.
bool IsCompleteSharedObject(const char* path);

}  // namespace quorix::loader
