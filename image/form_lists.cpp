#include "image/form_lists.h"

#include <cstdint>

namespace quorix::form {

using image::Result;

namespace {

constexpr uint32_t kMinus1 = 0xFFFFFFFF;
constexpr size_t kTabMarkFF1 = 16, kTabZeros = 12, kTabMarkFF2 = 32;
constexpr std::initializer_list<uint32_t> kTabWords = {0, 1, 1, 0, 0};

// One column: a zero byte, -1, 0, the width, and the title with its NUL.
template <typename C, typename Column>
Result<void> ColumnRecord(C& c, Column& column) {
    FIELD(c.Fill(1, 0, "column lead byte"));
    FIELD(c.Fixed({kMinus1, 0}, "column word"));
    FIELD(c.I32(column.width, "column width"));
    return c.CString(column.title, "column title");
}

// One tab: its caption, 16 bytes of 0xFF, 12 zeros, 32 bytes of 0xFF, five words, the caption
// again and two zero words.
template <typename C, typename Caption>
Result<void> TabRecord(C& c, Caption& caption, uint32_t tab) {
    FIELD(c.Counted(caption, "tab caption"));
    FIELD(c.Fill(kTabMarkFF1, 0xFF, "tab marker"));
    FIELD(c.Fill(kTabZeros, 0, "tab zero"));
    FIELD(c.Fill(kTabMarkFF2, 0xFF, "tab marker"));
    FIELD(c.Fixed(kTabWords, "tab word"));
    FIELD(
        c.Again(caption, "repeated tab caption", image::Format("repeated caption of tab %u", tab)));
    return c.Fixed({0, 0}, "tab closing word");
}

// The tab count, stated twice.
template <typename C, typename Count>
Result<void> TabCounts(C& c, Count& count) {
    FIELD(c.Word(count, "tab count"));
    return c.Fixed({count}, "second tab count");
}

// The framing length must leave its records inside the block.
Result<image::Count> ReadFramingLength(BlockReader& r, const char* field) {
    QUORIX_TRY_VALUE(length, r.Length(field));
    if (length.value > r.remaining()) {
        return r.Refused(length.offset,
                         image::Format("%s 0x%llx at 0x%zx runs past the end of the block of "
                                       "size 0x%zx",
                                       field, static_cast<unsigned long long>(length.value),
                                       length.offset, r.size()));
    }
    return length;
}

}  // namespace

Result<void> Columns(BlockWriter& w, const std::vector<ListColumn>& columns) {
    const size_t length_at = w.PlaceLength();
    for (const ListColumn& column : columns) FIELD(ColumnRecord(w, column));
    return w.PatchLength(length_at);
}

Result<void> Columns(BlockReader& r, std::vector<ListColumn>& columns) {
    QUORIX_TRY_VALUE(length, ReadFramingLength(r, "column records length"));
    const size_t end = r.offset() + length.value;
    while (r.offset() < end) {
        const size_t at = r.offset();
        FIELD(ColumnRecord(r, columns.emplace_back()));
        if (r.offset() > end) {
            return r.Refused(at, image::Format("column record at 0x%zx ends at 0x%zx, past the "
                                               "column records' end at 0x%zx",
                                               at, r.offset(), end));
        }
    }
    return {};
}

Result<void> Tabs(BlockWriter& w, const std::vector<std::string>& captions) {
    const size_t length_at = w.PlaceLength();
    const auto count = static_cast<uint32_t>(captions.size());
    FIELD(TabCounts(w, count));
    for (uint32_t i = 0; i < count; ++i) FIELD(TabRecord(w, captions[i], i));
    return w.PatchLength(length_at);
}

Result<void> Tabs(BlockReader& r, std::vector<std::string>& captions) {
    QUORIX_TRY_VALUE(length, ReadFramingLength(r, "tab list length"));
    const size_t end = r.offset() + length.value;
    uint32_t count = 0;
    FIELD(TabCounts(r, count));
    for (uint32_t i = 0; i < count; ++i) FIELD(TabRecord(r, captions.emplace_back(), i));
    if (r.offset() != end) {
        return r.Refused(length.offset,
                         image::Format("tab list length 0x%llx at 0x%zx says the list ends at "
                                       "0x%zx, but its tabs end at 0x%zx",
                                       static_cast<unsigned long long>(length.value), length.offset,
                                       end, r.offset()));
    }
    return {};
}

}  // namespace quorix::form
