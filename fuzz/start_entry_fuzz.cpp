// Fuzzes the runtime's start with a whole image: validation, the library check, placing the
// sections in program memory, relocation and the fix-up checks. A damaged image must be refused
// with a reason; one that loads must have its entry at a routine record.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "host/krnln/image_loading.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static quorix::host::ProgramMemory memory(uint64_t{256} << 20);
    memory.Reset();
    quorix::host::LoadedImage loaded;
    const auto ok = quorix::host::LoadImage(std::span<const uint8_t>(data, size), memory, loaded);
    // Every refusal says why, and points inside the image.
    if (!ok && (ok.error().message.empty() || ok.error().offset > size)) std::abort();
    if (ok && !quorix::host::IsRoutineRecord(memory, loaded, loaded.entry_code_offset)) {
        std::abort();
    }
    return 0;
}
