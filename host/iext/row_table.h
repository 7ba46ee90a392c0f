// The rows of a list box with columns: texts per cell, and an index from the first column's
// text to the first row that holds it. No Qt: the list box shows it through a model.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorix::host {

class RowTable {
public:
    void set_columns(int columns) { columns_ = columns < 1 ? 1 : columns; }
    int columns() const { return columns_; }
    int size() const { return rows_; }

    void Clear();
    // Appends a row whose first column is `first` and whose other columns are empty.
    int Append(std::string_view first);
    // The first row whose first column equals `first`, or -1.
    int Find(std::string_view first);
    // The text of a cell; empty for a row or column that does not exist.
    std::string_view Cell(int row, int column) const;
    // False when the cell does not exist.
    bool SetCell(int row, int column, std::string_view text);

    // A scan looks up one first column after another, then reads the found row's other cells.
    // Anticipate(first) says which first column comes a few lookups from now: the table starts
    // loading its slot, and for texts anticipated a few calls earlier, the found row's cells
    // and their bytes, so that the lookups get there out of memory already on its way. Nothing
    // the table answers changes. A table too small to miss the caches does nothing here.
    void Anticipate(std::string_view first);
    // Whether Anticipate does anything: the index is large enough to miss the caches.
    bool worth_anticipating() const { return slots_.size() >= kAnticipateSlots; }
    static constexpr size_t kAnticipateSlots = size_t{64} << 10;

private:
    // A first column's text as the index sees it: its bytes as one word when at most 8 long
    // (every colour text), and its hash.
    struct Key {
        uint64_t word;
        bool is_short;
        uint32_t hash;
    };
    static Key KeyOf(std::string_view text);

    void Rebuild();
    // Puts `row` into the index unless a row with the same first column is there already.
    void Index(int row);
    void Grow();

    int columns_ = 1;
    int rows_ = 0;
    // Every cell's text lives in one arena: a cell is where its bytes start and how many there
    // are. Rows are appended by the hundred thousand (a photo's colours), so a row costs two
    // small records and its bytes, not a string object per cell. A changed cell's new text is
    // appended; the arena is compacted when more than half of it is old text.
    struct CellText {
        uint32_t offset = 0;
        uint32_t size = 0;
    };
    std::string_view TextOf(const CellText& cell) const {
        return {arena_.data() + cell.offset, cell.size};
    }
    CellText Store(std::string_view text);
    void Compact();
    std::vector<CellText> cells_;  // row-major, columns_ per row
    std::string arena_;
    size_t live_bytes_ = 0;  // bytes of the arena that cells still use
    // Open addressing. A key of at most 8 bytes (every colour text) is kept in its slot, so a
    // lookup touches one slot and never the row itself.
    struct Slot {
        uint64_t key8 = 0;  // the first column's bytes, zero-padded, when at most 8 long
        uint32_t row = 0;   // row + 1; 0 marks an empty slot; kLongKey set: compare the row
        uint32_t hash = 0;  // the low 32 bits of the key's hash
    };
    static constexpr uint32_t kLongKey = 0x80000000u;

    // The slots live in pages of their own, zero-filled (every slot empty) and, when large,
    // backed by huge pages: a lookup then costs one cache miss and no page-table walk. When
    // no pages can be mapped they live on the heap; when neither can be had, the constructor
    // throws std::bad_alloc.
    class SlotArray {
    public:
        SlotArray() = default;
        explicit SlotArray(size_t count);
        SlotArray(SlotArray&& other) noexcept { *this = std::move(other); }
        SlotArray& operator=(SlotArray&& other) noexcept;
        ~SlotArray();
        size_t size() const { return count_; }
        bool empty() const { return count_ == 0; }
        Slot& operator[](size_t i) { return slots_[i]; }
        const Slot& operator[](size_t i) const { return slots_[i]; }
        Slot* begin() { return slots_; }
        Slot* end() { return slots_ + count_; }

    private:
        void Release();
        void* mapping_ = nullptr;
        size_t mapped_ = 0;
        bool heap_ = false;  // the slots were allocated with calloc, not mapped
        Slot* slots_ = nullptr;
        size_t count_ = 0;
    };
    bool Matches(const Slot& slot, const Key& key, std::string_view text) const;
    SlotArray slots_;
    size_t indexed_ = 0;
    bool index_valid_ = true;

    // The row whose first column is `key`'s, looked up in slots that are already cached; -1.
    int Probe(const Key& key, std::string_view text) const;
    // Anticipate's pipeline: the keys of the last texts it was given, and the rows found for
    // them a few calls later. Only ever used to decide what to prefetch.
    static constexpr unsigned kPipeline = 8;
    static constexpr unsigned kRowLag = 5;   // calls from loading a slot to reading it
    static constexpr unsigned kCellLag = 5;  // calls from loading a row's cells to reading them
    std::array<Key, kPipeline> anticipated_keys_{};
    std::array<int, kPipeline> anticipated_rows_{};
    unsigned anticipated_ = 0;
};

}  // namespace quorix::host
