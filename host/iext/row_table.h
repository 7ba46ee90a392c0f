// The rows of a list box with columns: texts per cell, and an index from the first column's
// text to the first row that holds it. No Qt: the list box shows it through a model.
#pragma once

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

    static uint64_t Hash(std::string_view text);

private:
    void Rebuild();
    // Puts `row` into the index unless a row with the same first column is there already.
    void Index(int row, uint64_t hash);
    void Grow();

    int columns_ = 1;
    int rows_ = 0;
    std::vector<std::string> cells_;  // row-major, columns_ per row
    // Open addressing. A key of at most 8 bytes (every colour text) is kept in its slot, so a
    // lookup touches one slot and never the row itself.
    struct Slot {
        uint64_t key8 = 0;  // the first column's bytes, zero-padded, when at most 8 long
        uint32_t row = 0;   // row + 1; 0 marks an empty slot; kLongKey set: compare the row
        uint32_t hash = 0;  // the low 32 bits of the key's hash
    };
    static constexpr uint32_t kLongKey = 0x80000000u;

    // The slots live in pages of their own, zero-filled (every slot empty) and, when large,
    // backed by huge pages: a lookup then costs one cache miss and no page-table walk.
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
        void* mapping_ = nullptr;
        size_t mapped_ = 0;
        Slot* slots_ = nullptr;
        size_t count_ = 0;
    };
    bool Matches(const Slot& slot, uint64_t key8, bool short_key, std::string_view key) const;
    SlotArray slots_;
    size_t indexed_ = 0;
    bool index_valid_ = true;
};

}  // namespace quorix::host
