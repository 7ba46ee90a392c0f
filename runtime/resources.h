// The program file's resources: what a Windows program keeps in the resource section of its
// file (its icon, its version), here one block the executable exports. The build writes the
// block, the runtime reads it; both include this header.
//
// Block: u32 magic, u32 count, then count entries of five u32 (type, id, language, offset of the
// data from the start of the block, size of the data), then the data. Little-endian.
#ifndef QUORIX_RUNTIME_RESOURCES_H
#define QUORIX_RUNTIME_RESOURCES_H

#include <stdint.h>

#define QX_RESOURCES_NAME "QuorixResources"           // const uint8_t[]: the block
#define QX_RESOURCES_SIZE_NAME "QuorixResourcesSize"  // const uint32_t: its size
#define QX_RESOURCES_MAGIC 0x53525851u                // "QXRS"

enum QxResourceType {
    QX_RESOURCE_GROUP_ICON = 14,  // the data is an .ico file
    QX_RESOURCE_VERSION = 16,     // the data is lines of "Key\tValue\n", UTF-8
};

#define QX_LANGUAGE_CHINESE_PRC 0x0804
#define QX_PROGRAM_ICON_ID 129
#define QX_VERSION_ID 1

#ifdef __cplusplus
#include <cstring>
#include <optional>
#include <span>

namespace quorix::resources {

inline constexpr uint32_t kHeaderWords = 2;
inline constexpr uint32_t kEntryWords = 5;

// The data of the resource (type, id, language) in `block`, or nullopt when the block is not a
// resource block or holds no such resource. Reads nothing outside `block`.
inline std::optional<std::span<const uint8_t>> Find(std::span<const uint8_t> block, uint32_t type,
                                                    uint32_t id, uint32_t language) {
    auto word = [&](uint64_t at) {
        uint32_t v = 0;
        if (at + 4 <= block.size()) std::memcpy(&v, block.data() + at, 4);
        return v;
    };
    if (block.size() < 4 * kHeaderWords || word(0) != QX_RESOURCES_MAGIC) return std::nullopt;
    const uint64_t count = word(4);
    if (4 * kHeaderWords + count * 4 * kEntryWords > block.size()) return std::nullopt;
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t e = 4 * kHeaderWords + i * 4 * kEntryWords;
        if (word(e) != type || word(e + 4) != id || word(e + 8) != language) continue;
        const uint64_t offset = word(e + 12), size = word(e + 16);
        if (offset + size > block.size()) return std::nullopt;
        return block.subspan(offset, size);
    }
    return std::nullopt;
}

}  // namespace quorix::resources
#endif

#endif  // QUORIX_RUNTIME_RESOURCES_H
