#include "image/form_fields.h"

namespace quorix::form {

using image::Error;
using image::Result;

// ---- writing -------------------------------------------------------------------------------

Result<void> BlockWriter::Fixed(std::initializer_list<uint32_t> words, const char*) {
    for (uint32_t v : words) w_.U32(v);
    return {};
}

Result<void> BlockWriter::ZeroWords(size_t count, const char*) {
    w_.Zeros(4 * count);
    return {};
}

Result<void> BlockWriter::Fill(size_t count, uint8_t value, const char*) {
    for (size_t i = 0; i < count; ++i) w_.U8(value);
    return {};
}

Result<void> BlockWriter::Word(uint32_t v, const char*) {
    w_.U32(v);
    return {};
}

Result<void> BlockWriter::I32(int32_t v, const char*) {
    w_.I32(v);
    return {};
}

Result<void> BlockWriter::U8(uint8_t v, const char*) {
    w_.U8(v);
    return {};
}

Result<void> BlockWriter::Counted(const std::string& text, const char*) {
    w_.U32(static_cast<uint32_t>(text.size()));
    w_.Bytes(image::AsBytes(text));
    return {};
}

Result<void> BlockWriter::CString(const std::string& text, const char*) {
    w_.Text(text);
    return {};
}

Result<void> BlockWriter::Padded(const std::string& text, size_t size, const char* field) {
    if (text.size() >= size) {
        return image::MakeError(static_cast<uint32_t>(w_.size()), "a %s of %zu bytes or more",
                                field, size);
    }
    w_.Bytes(image::AsBytes(text));
    w_.Zeros(size - text.size());
    return {};
}

Result<void> BlockWriter::ZeroTail(uint32_t count, const char*) {
    w_.Zeros(count);
    return {};
}

Result<void> BlockWriter::Again(const std::string& first, const char* field, const std::string&) {
    return Counted(first, field);
}

size_t BlockWriter::PlaceLength() {
    const size_t at = w_.size();
    w_.U32(0);
    return at;
}

Result<void> BlockWriter::PatchLength(size_t at) {
    return w_.PatchU32(at, static_cast<uint32_t>(w_.size() - at - 4));
}

// ---- reading -------------------------------------------------------------------------------

Error BlockReader::Refused(size_t at, const std::string& message) const {
    return r_.FieldError(at, "%s %s", kind_, message.c_str());
}

Result<void> BlockReader::Fixed(std::initializer_list<uint32_t> expected, const char* field) {
    for (uint32_t want : expected) {
        const size_t at = r_.offset();
        QUORIX_TRY_VALUE(got, r_.ReadU32(field));
        if (got != want) {
            return r_.FieldError(at, "%s %s at 0x%zx is 0x%x, expected 0x%x", kind_, field, at, got,
                                 want);
        }
    }
    return {};
}

Result<void> BlockReader::ZeroWords(size_t count, const char* field) {
    for (size_t i = 0; i < count; ++i) FIELD(Fixed({0}, field));
    return {};
}

Result<void> BlockReader::Fill(size_t count, uint8_t value, const char* field) {
    const size_t at = r_.offset();
    QUORIX_TRY_VALUE(bytes, r_.ReadBytes(count, field));
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != value) {
            return r_.FieldError(at + i, "%s %s byte %zu at 0x%zx is 0x%02x, expected 0x%02x",
                                 kind_, field, i, at + i, bytes[i], value);
        }
    }
    return {};
}

Result<void> BlockReader::Word(uint32_t& v, const char* field) {
    QUORIX_TRY_VALUE(word, r_.ReadU32(field));
    v = word;
    return {};
}

Result<void> BlockReader::I32(int32_t& v, const char* field) {
    QUORIX_TRY_VALUE(word, r_.ReadI32(field));
    v = word;
    return {};
}

Result<void> BlockReader::U8(uint8_t& v, const char* field) {
    QUORIX_TRY_VALUE(byte, r_.ReadU8(field));
    v = byte;
    return {};
}

Result<void> BlockReader::Counted(std::string& text, const char* field) {
    QUORIX_TRY_VALUE(length, r_.ReadCount(field));
    QUORIX_TRY_VALUE(bytes, r_.ReadArray(length, 1));
    text = image::AsString(bytes);
    return {};
}

Result<void> BlockReader::CString(std::string& text, const char* field) {
    QUORIX_TRY_VALUE(bytes, r_.ReadCString(field));
    text = image::AsString(bytes);
    return {};
}

Result<void> BlockReader::Padded(std::string& text, size_t size, const char* field) {
    const size_t at = r_.offset();
    QUORIX_TRY_VALUE(bytes, r_.ReadBytes(size, field));
    size_t length = 0;
    while (length < bytes.size() && bytes[length] != 0) ++length;
    if (length == bytes.size()) {
        return r_.FieldError(at, "%s %s at 0x%zx has no NUL in its %zu bytes", kind_, field, at,
                             size);
    }
    text = image::AsString(bytes.first(length));
    return {};
}

Result<void> BlockReader::ZeroTail(uint32_t& count, const char* field) {
    count = static_cast<uint32_t>(r_.remaining());
    return Fill(r_.remaining(), 0, field);
}

Result<void> BlockReader::Again(const std::string& first, const char* field,
                                const std::string& what) {
    const size_t at = r_.offset();
    std::string again;
    FIELD(Counted(again, field));
    if (again != first) {
        return Refused(at, image::Format("%s at 0x%zx differs from the first", what.c_str(), at));
    }
    return {};
}

Result<void> BlockReader::Finish() const {
    if (r_.remaining() != 0) {
        return r_.FieldError(r_.offset(),
                             "%s has 0x%zx bytes after its last field at 0x%zx, block size 0x%zx",
                             kind_, r_.remaining(), r_.offset(), r_.size());
    }
    return {};
}

}  // namespace quorix::form
