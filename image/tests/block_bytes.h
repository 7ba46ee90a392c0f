// A small builder for the bytes a test expects, written field by field as the layouts list
// them, so an expected block reads like its layout rather than like a blob.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace quorix::test {

class BlockBytes {
public:
    BlockBytes& Words(std::initializer_list<uint32_t> words) {
        for (uint32_t v : words) {
            for (int i = 0; i < 4; ++i) bytes_ += static_cast<char>((v >> (8 * i)) & 0xFF);
        }
        return *this;
    }
    BlockBytes& I32(int32_t v) { return Words({static_cast<uint32_t>(v)}); }
    BlockBytes& U16(uint16_t v) {
        bytes_ += static_cast<char>(v & 0xFF);
        bytes_ += static_cast<char>(v >> 8);
        return *this;
    }
    BlockBytes& Byte(uint8_t v) { return Fill(1, v); }
    BlockBytes& Fill(size_t count, uint8_t v) {
        bytes_.append(count, static_cast<char>(v));
        return *this;
    }
    BlockBytes& Raw(const std::string& bytes) {
        bytes_ += bytes;
        return *this;
    }
    BlockBytes& Counted(const std::string& text) {
        Words({static_cast<uint32_t>(text.size())});
        return Raw(text);
    }
    BlockBytes& CString(const std::string& text) {
        Raw(text);
        return Byte(0);
    }
    const std::string& str() const { return bytes_; }
    size_t size() const { return bytes_.size(); }

private:
    std::string bytes_;
};

inline uint32_t WordAt(const std::string& bytes, size_t offset) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes.at(offset + i));
    return v;
}

inline void PutWord(std::string& bytes, size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace quorix::test
