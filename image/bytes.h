// Little-endian byte access and a checked cursor for reading and writing binary records.
//
// Every field the program image (and the form section) stores is a little-endian integer at an
// arbitrary, often odd, offset. Loads and stores go through memcpy, so no pointer is ever cast over
// unchecked bytes, and ByteReader checks every read against the end of its buffer before touching
// a byte.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/result.h"

namespace quorix::image {

namespace detail {
template <typename T>
constexpr T FromLittleEndian(T value) {
    if constexpr (std::endian::native == std::endian::big) {
        T swapped = 0;
        for (size_t i = 0; i < sizeof(T); ++i) {
            swapped = static_cast<T>((swapped << 8) | ((value >> (8 * i)) & 0xFF));
        }
        return swapped;
    }
    return value;
}
}  // namespace detail

// Callers guarantee that the bytes exist; ByteReader is the checked way in.
inline uint16_t LoadU16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return detail::FromLittleEndian(v);
}
inline uint32_t LoadU32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return detail::FromLittleEndian(v);
}
inline int32_t LoadI32(const uint8_t* p) {
    return static_cast<int32_t>(LoadU32(p));
}
inline void StoreU16(uint8_t* p, uint16_t v) {
    v = detail::FromLittleEndian(v);
    std::memcpy(p, &v, sizeof v);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
    v = detail::FromLittleEndian(v);
    std::memcpy(p, &v, sizeof v);
}

// Texts (GBK captions, names, GIF faces) are held as raw bytes in std::string; these view one
// as the other without copying a byte's value.
inline std::span<const uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}
inline std::string AsString(std::span<const uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// A count or length field and where it was read: an array read that it sizes names this field,
// at this offset, when the array does not fit.
struct Count {
    uint64_t value = 0;
    size_t offset = 0;      // of the count field itself, not of the array it sizes
    const char* what = "";  // "relocation count"
};

// A read cursor over a byte buffer. Each read names the field it reads (`what`), so that a failed
// read yields a message such as "section name at 0x1d5 needs 24 bytes, past the end of the image
// of size 0x1e0". `buffer_name` ("image", "form section") names the whole buffer in messages.
class ByteReader {
public:
    ByteReader(std::span<const uint8_t> bytes, const char* buffer_name)
        : bytes_(bytes), buffer_name_(buffer_name) {}

    size_t offset() const { return offset_; }
    size_t size() const { return bytes_.size(); }
    size_t remaining() const { return bytes_.size() - offset_; }
    std::span<const uint8_t> buffer() const { return bytes_; }

    // Moves to `offset`, which may equal the size (an empty tail) but not exceed it.
    Result<void> Seek(uint64_t offset, const char* what);
    Result<void> Skip(size_t count, const char* what);

    Result<uint8_t> ReadU8(const char* what);
    Result<uint16_t> ReadU16(const char* what);
    Result<uint32_t> ReadU32(const char* what);
    Result<int32_t> ReadI32(const char* what);
    Result<std::span<const uint8_t>> ReadBytes(size_t count, const char* what);

    // Reads a u32 count field, remembering its offset for the array read it sizes.
    Result<Count> ReadCount(const char* what);

    // Reads `count.value` elements of `element_size` bytes from the cursor. count × size is
    // checked for overflow before it is formed, then against the end; an error names the count
    // field and points at its offset.
    Result<std::span<const uint8_t>> ReadArray(const Count& count, size_t element_size);
    Result<std::vector<uint32_t>> ReadU32Array(const Count& count);

    // Reads a NUL-terminated text and returns it without its NUL; the NUL is consumed. Fails when
    // no NUL comes before the end of the buffer.
    Result<std::span<const uint8_t>> ReadCString(const char* what);

    // An error about a field at `offset`, for callers that validate what they read.
    Error FieldError(size_t offset, const char* format, ...) const
        __attribute__((format(printf, 3, 4)));

private:
    Error PastEnd(const char* what, size_t count) const;

    std::span<const uint8_t> bytes_;
    const char* buffer_name_;
    size_t offset_ = 0;
};

// An append-only buffer of little-endian fields, with a patch for words whose value is known
// only after later bytes are laid out (offsets of headers that follow).
class ByteWriter {
public:
    size_t size() const { return bytes_.size(); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    std::vector<uint8_t> Take() && { return std::move(bytes_); }

    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v);
    void U32(uint32_t v);
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void Bytes(std::span<const uint8_t> data) {
        bytes_.insert(bytes_.end(), data.begin(), data.end());
    }
    void Zeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    // The text's bytes followed by one NUL. The text itself should hold no NUL.
    void Text(std::string_view text);

    // Overwrites the word at `offset`, which must already have been written in full.
    Result<void> PatchU32(size_t offset, uint32_t v);

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace quorix::image
