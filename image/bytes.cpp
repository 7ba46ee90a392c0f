#include "image/bytes.h"

#include <cstdarg>
#include <cstdio>
#include <limits>

namespace quorix::image {

namespace {

std::string VFormat(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

// Error offsets are 32-bit like every offset the image stores; a larger one is clamped.
uint32_t ClampOffset(size_t offset) {
    return offset > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                         : static_cast<uint32_t>(offset);
}

}  // namespace

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = VFormat(format, args);
    va_end(args);
    return text;
}

Error MakeError(uint32_t offset, const char* format, ...) {
    va_list args;
    va_start(args, format);
    Error error{VFormat(format, args), offset};
    va_end(args);
    return error;
}

Error ByteReader::FieldError(size_t offset, const char* format, ...) const {
    va_list args;
    va_start(args, format);
    Error error{VFormat(format, args), ClampOffset(offset)};
    va_end(args);
    return error;
}

Error ByteReader::PastEnd(const char* what, size_t count) const {
    return FieldError(offset_,
                      "%s at 0x%zx needs 0x%zx bytes, past the end of the %s of size 0x%zx", what,
                      offset_, count, buffer_name_, bytes_.size());
}

Result<void> ByteReader::Seek(uint64_t offset, const char* what) {
    if (offset > bytes_.size()) {
        return FieldError(offset_, "%s 0x%llx is past the end of the %s of size 0x%zx", what,
                          static_cast<unsigned long long>(offset), buffer_name_, bytes_.size());
    }
    offset_ = static_cast<size_t>(offset);
    return {};
}

Result<void> ByteReader::Skip(size_t count, const char* what) {
    if (count > remaining()) return PastEnd(what, count);
    offset_ += count;
    return {};
}

Result<uint8_t> ByteReader::ReadU8(const char* what) {
    if (remaining() < 1) return PastEnd(what, 1);
    return bytes_[offset_++];
}

Result<uint16_t> ByteReader::ReadU16(const char* what) {
    if (remaining() < 2) return PastEnd(what, 2);
    const uint16_t v = LoadU16(bytes_.data() + offset_);
    offset_ += 2;
    return v;
}

Result<uint32_t> ByteReader::ReadU32(const char* what) {
    if (remaining() < 4) return PastEnd(what, 4);
    const uint32_t v = LoadU32(bytes_.data() + offset_);
    offset_ += 4;
    return v;
}

Result<int32_t> ByteReader::ReadI32(const char* what) {
    Result<uint32_t> v = ReadU32(what);
    if (!v) return v.error();
    return static_cast<int32_t>(*v);
}

Result<std::span<const uint8_t>> ByteReader::ReadBytes(size_t count, const char* what) {
    if (count > remaining()) return PastEnd(what, count);
    std::span<const uint8_t> data = bytes_.subspan(offset_, count);
    offset_ += count;
    return data;
}

Result<Count> ByteReader::ReadCount(const char* what) {
    const size_t at = offset_;
    Result<uint32_t> value = ReadU32(what);
    if (!value) return value.error();
    return Count{*value, at, what};
}

Result<std::span<const uint8_t>> ByteReader::ReadArray(const Count& count, size_t element_size) {
    const auto value = static_cast<unsigned long long>(count.value);
    if (element_size != 0 && count.value > std::numeric_limits<size_t>::max() / element_size) {
        return FieldError(count.offset,
                          "%s 0x%llx at 0x%zx overflows when multiplied by 0x%zx bytes", count.what,
                          value, count.offset, element_size);
    }
    const size_t byte_count = static_cast<size_t>(count.value) * element_size;
    if (byte_count > remaining()) {
        return FieldError(count.offset,
                          "%s 0x%llx at 0x%zx needs 0x%zx bytes, past the end of the %s of size "
                          "0x%zx",
                          count.what, value, count.offset, byte_count, buffer_name_, bytes_.size());
    }
    std::span<const uint8_t> data = bytes_.subspan(offset_, byte_count);
    offset_ += byte_count;
    return data;
}

Result<std::vector<uint32_t>> ByteReader::ReadU32Array(const Count& count) {
    Result<std::span<const uint8_t>> data = ReadArray(count, 4);
    if (!data) return data.error();
    std::vector<uint32_t> words(data->size() / 4);
    for (size_t i = 0; i < words.size(); ++i) words[i] = LoadU32(data->data() + 4 * i);
    return words;
}

Result<std::span<const uint8_t>> ByteReader::ReadCString(const char* what) {
    const std::span<const uint8_t> tail = bytes_.subspan(offset_);
    const void* nul = tail.empty() ? nullptr : std::memchr(tail.data(), 0, tail.size());
    if (nul == nullptr) {
        return FieldError(offset_, "%s at 0x%zx has no NUL before the end of the %s of size 0x%zx",
                          what, offset_, buffer_name_, bytes_.size());
    }
    const size_t length = static_cast<size_t>(static_cast<const uint8_t*>(nul) - tail.data());
    offset_ += length + 1;
    return tail.first(length);
}

void ByteWriter::U16(uint16_t v) {
    uint8_t b[2];
    StoreU16(b, v);
    bytes_.insert(bytes_.end(), b, b + 2);
}

void ByteWriter::U32(uint32_t v) {
    uint8_t b[4];
    StoreU32(b, v);
    bytes_.insert(bytes_.end(), b, b + 4);
}

void ByteWriter::Text(std::string_view text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    bytes_.push_back(0);
}

Result<void> ByteWriter::PatchU32(size_t offset, uint32_t v) {
    if (offset > bytes_.size() || bytes_.size() - offset < 4) {
        return MakeError(ClampOffset(offset), "patch of a word at 0x%zx is past the end 0x%zx",
                         offset, bytes_.size());
    }
    StoreU32(bytes_.data() + offset, v);
    return {};
}

}  // namespace quorix::image
