#include "image/section_rules.h"

#include <string>

namespace quorix::image {

Result<void> CheckRelocation(std::string_view section, size_t index, uint32_t kind, uint64_t site,
                             std::optional<uint32_t> previous_site, uint64_t stored_size,
                             std::optional<size_t> record_at, size_t header_offset) {
    const std::string name(section);
    const std::string where = record_at ? Format(" at 0x%zx", *record_at) : std::string();
    const uint32_t error_at = static_cast<uint32_t>(record_at.value_or(header_offset));
    const auto site_text = static_cast<unsigned long long>(site);
    if (kind > kMaxRelocationKind) {
        return MakeError(error_at,
                         "relocation %zu of section \"%s\"%s has kind %u; only 0 to 3 exist", index,
                         name.c_str(), where.c_str(), kind);
    }
    if (previous_site && site <= *previous_site) {
        return MakeError(error_at,
                         "relocation %zu of section \"%s\"%s has site 0x%llx, not above the "
                         "previous site 0x%x",
                         index, name.c_str(), where.c_str(), site_text, *previous_site);
    }
    if (!WordFits(site, stored_size) || site > kMaxRelocationSite) {
        return MakeError(error_at,
                         "relocation %zu of section \"%s\"%s has site 0x%llx, whose word ends past "
                         "the stored size 0x%llx",
                         index, name.c_str(), where.c_str(), site_text,
                         static_cast<unsigned long long>(stored_size));
    }
    return {};
}

Result<void> CheckFixupSite(size_t list, size_t index, uint32_t site, uint64_t code_size,
                            std::optional<size_t> at) {
    if (WordFits(site, code_size)) return {};
    const std::string where = at ? Format(" at 0x%zx", *at) : std::string();
    return MakeError(static_cast<uint32_t>(at.value_or(0)),
                     "fix-up list %zu site %zu (0x%x)%s: its word ends past the code's stored "
                     "size 0x%llx",
                     list, index, site, where.c_str(), static_cast<unsigned long long>(code_size));
}

}  // namespace quorix::image
