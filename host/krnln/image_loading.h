// Loading a program image into program memory: validate the whole image, check its library
// table against the libraries this runtime provides, place the sections, apply the code
// relocations and check the fix-up lists.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "host/krnln/program_memory.h"
#include "image/form.h"
#include "image/program_image.h"

namespace quorix::host {

struct LoadedImage {
    QxAddr const_addr = 0, form_addr = 0, help_addr = 0, code_addr = 0, var_addr = 0;
    uint32_t const_size = 0, form_size = 0, help_size = 0, code_size = 0, var_size = 0;
    uint32_t entry_code_offset = 0;  // the start routine, as an offset into the code data
    form::Form form;
};

// The libraries this runtime provides, in the order of the image's library table.
struct ProvidedLibrary {
    const char* file_name;
    const char* identifier;
    const char* major;
};
std::span<const ProvidedLibrary> ProvidedLibraries();

// On failure the error says why (one line, for standard error) and where: its offset is the
// image offset of the field at fault (for a handler that names no routine, the form section's
// first byte, since the form does not keep its fields' offsets).
image::Result<void> LoadImage(std::span<const uint8_t> bytes, ProgramMemory& memory,
                              LoadedImage& out);

// True when a routine record starts at `offset` of the loaded code.
bool IsRoutineRecord(const ProgramMemory& memory, const LoadedImage& image, uint32_t offset);

}  // namespace quorix::host
