// A fixed 260-byte path of ANSI text, the size of a Windows path buffer, that cannot overflow.
#ifndef QUORIX_LOADER_PATH_BUFFER_H
#define QUORIX_LOADER_PATH_BUFFER_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quorix::loader {

class PathBuffer {
public:
    static constexpr std::size_t kCapacity = 260;
    // Bytes a platform read may write into raw(): the last byte is kept for the terminating NUL.
    static constexpr uint32_t kReadCapacity = kCapacity - 1;

    std::string_view view() const { return {bytes_.data(), length_}; }
    const char* c_str() const { return bytes_.data(); }
    std::size_t size() const { return length_; }
    bool empty() const { return length_ == 0; }

    // Appends `text` when it fits together with the terminating NUL. Otherwise returns false
    // and leaves the buffer as it was.
    bool Append(std::string_view text) {
        if (text.size() > kReadCapacity - length_) return false;
        std::copy(text.begin(), text.end(), bytes_.begin() + length_);
        length_ += text.size();
        bytes_[length_] = '\0';
        return true;
    }

    // Storage for a platform read of at most kReadCapacity bytes; call Adopt afterwards.
    char* raw() { return bytes_.data(); }

    // Takes what a read wrote into raw() as the text: at most `written` bytes (never more than
    // kReadCapacity), ending early at the first NUL. The text is NUL-terminated afterwards
    // whether or not the read stored a NUL.
    void Adopt(std::size_t written) {
        const auto first = bytes_.begin();
        const auto last =
            first + static_cast<std::ptrdiff_t>(std::min<std::size_t>(written, kReadCapacity));
        length_ = static_cast<std::size_t>(std::find(first, last, '\0') - first);
        bytes_[length_] = '\0';
    }

private:
    std::array<char, kCapacity> bytes_{};
    std::size_t length_ = 0;
};

}  // namespace quorix::loader

#endif  // QUORIX_LOADER_PATH_BUFFER_H
