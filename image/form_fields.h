// The field shapes every type block is made of, in a writing and a reading form with the same
// verbs, so that one layout function per kind serves both directions:
//
//     template <typename C, typename P>  // C: BlockWriter or BlockReader; P: Props, maybe const
//     Result<void> Label(C& c, P& p) {
//         FIELD(c.Fixed({1, 0, 0, 0, 1}, "word"));
//         FIELD(c.Word(p.w, "word w"));
//         ...
//
// The writer writes each field from the record; the reader reads it into the record, checks
// the fixed ones and stops at the first field at fault with an error that names the field and
// its offset in the block. Internal to the form library.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "image/bytes.h"
#include "image/result.h"

// Returns from a layout function with the error of a field that failed.
#define FIELD(expr) QUORIX_TRY(expr)

namespace quorix::form {

// The writing side. Its verbs fail only for a value that cannot be stored.
class BlockWriter {
public:
    image::Result<void> Fixed(std::initializer_list<uint32_t> words, const char* field);
    image::Result<void> ZeroWords(size_t count, const char* field);
    // `count` bytes of `value`.
    image::Result<void> Fill(size_t count, uint8_t value, const char* field);
    image::Result<void> Word(uint32_t v, const char* field);
    image::Result<void> I32(int32_t v, const char* field);
    image::Result<void> U8(uint8_t v, const char* field);
    // A u32 byte length and that many bytes.
    image::Result<void> Counted(const std::string& text, const char* field);
    image::Result<void> CString(const std::string& text, const char* field);
    // A text NUL-padded to `size` bytes; it must leave room for its NUL.
    image::Result<void> Padded(const std::string& text, size_t size, const char* field);
    // `count` zero bytes that close the block.
    image::Result<void> ZeroTail(uint32_t count, const char* field);
    // A counted text that repeats `first`; `what` names the repeat in a reader's error.
    image::Result<void> Again(const std::string& first, const char* field, const std::string& what);
    // A u16 item count, then each item laid out by `record`. The caller keeps the count within
    // 16 bits.
    template <typename T, typename Record>
    image::Result<void> ShortList(const std::vector<T>& items, const char* /*count_field*/,
                                  Record record) {
        w_.U16(static_cast<uint16_t>(items.size()));
        for (const T& item : items) FIELD(record(*this, item));
        return {};
    }

    // A u32 whose value, a byte length, is known only once what it measures is written:
    // PlaceLength writes 0 and returns where; PatchLength stores the bytes written since.
    size_t PlaceLength();
    image::Result<void> PatchLength(size_t at);

    std::string Take() const { return image::AsString(w_.bytes()); }

private:
    image::ByteWriter w_;
};

// The reading side, over one block. `kind` ("label type block") begins every message.
class BlockReader {
public:
    BlockReader(std::span<const uint8_t> bytes, const char* kind) : r_(bytes, kind), kind_(kind) {}

    size_t offset() const { return r_.offset(); }
    size_t remaining() const { return r_.remaining(); }
    size_t size() const { return r_.size(); }

    // The next words must hold `expected`, in order; `field` names the run ("option word").
    image::Result<void> Fixed(std::initializer_list<uint32_t> expected, const char* field);
    image::Result<void> ZeroWords(size_t count, const char* field);
    // `count` bytes that must all equal `value`.
    image::Result<void> Fill(size_t count, uint8_t value, const char* field);
    image::Result<void> Word(uint32_t& v, const char* field);
    image::Result<void> I32(int32_t& v, const char* field);
    image::Result<void> U8(uint8_t& v, const char* field);
    // A u32 byte length and that many bytes; the length is checked against the block's end.
    image::Result<void> Counted(std::string& text, const char* field);
    image::Result<void> CString(std::string& text, const char* field);
    // `size` bytes holding a text and its NUL; what follows the NUL is of no meaning.
    image::Result<void> Padded(std::string& text, size_t size, const char* field);
    // Zero bytes up to the end of the block; `count` receives how many.
    image::Result<void> ZeroTail(uint32_t& count, const char* field);
    // A counted text that must equal `first`.
    image::Result<void> Again(const std::string& first, const char* field, const std::string& what);
    template <typename T, typename Record>
    image::Result<void> ShortList(std::vector<T>& items, const char* count_field, Record record) {
        QUORIX_TRY_VALUE(count, r_.ReadU16(count_field));
        for (uint16_t i = 0; i < count; ++i) {
            FIELD(record(*this, items.emplace_back()));
        }
        return {};
    }

    // A u32 byte length, with where it was read.
    image::Result<image::Count> Length(const char* field) { return r_.ReadCount(field); }

    // An error about a field at `at` that was read but is wrong; `message` says what and where.
    image::Error Refused(size_t at, const std::string& message) const;

    // The block must end exactly here.
    image::Result<void> Finish() const;

private:
    image::ByteReader r_;
    const char* kind_;
};

}  // namespace quorix::form
