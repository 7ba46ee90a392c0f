// Loading a program image into program memory: validate the whole image (every unit's type
// block decoded), check its library table against the libraries this runtime provides, place
// the sections, apply the code
// relocations and check the fix-up lists.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/krnln/program_memory.h"
#include "host/krnln/type_settings.h"
#include "image/form.h"
#include "image/program_image.h"

namespace quorix::host {

struct LoadedImage {
    QxAddr const_addr = 0, form_addr = 0, help_addr = 0, code_addr = 0, var_addr = 0;
    uint32_t const_size = 0, form_size = 0, help_size = 0, code_size = 0, var_size = 0;
    uint32_t entry_code_offset = 0;  // the start routine, as an offset into the code data
    form::Form form;
    std::vector<TypeSettings> settings;  // of each unit of `form`, in unit order
};

// The libraries this runtime provides, in the order of the image's library table.
struct ProvidedLibrary {
    const char* file_name;
    const char* identifier;
    const char* major;
};
std::span<const ProvidedLibrary> ProvidedLibraries();

// On failure the error says why (one line, for standard error) and where: its offset is the
// image offset of the field at fault (for a damaged type block, the field inside it).
image::Result<void> LoadImage(std::span<const uint8_t> bytes, ProgramMemory& memory,
                              LoadedImage& out);

// True when a routine record starts at `offset` of the loaded code.
bool IsRoutineRecord(const ProgramMemory& memory, const LoadedImage& image, uint32_t offset);

}  // namespace quorix::host
