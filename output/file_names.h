// File names as the program reads them: GB18030 bytes, compared by their ASCII ending.
#pragma once

#include <string_view>

namespace quorix::app {

// Whether `name` ends with the lower-case ASCII `ending`, in either case. (An ASCII ending is
// never the tail of a wider character in GB18030, so the bytes can be compared as they are.)
inline bool EndsWithIgnoringCase(std::string_view name, std::string_view ending) {
    if (name.size() < ending.size()) return false;
    name.remove_prefix(name.size() - ending.size());
    for (size_t i = 0; i < ending.size(); ++i) {
        const char c = name[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != ending[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace quorix::app
