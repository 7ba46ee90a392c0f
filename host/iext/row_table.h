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
    // Open addressing: 0 is an empty slot, else (hash high 32 bits << 32) | (row + 1).
    std::vector<uint64_t> slots_;
    size_t indexed_ = 0;
    bool index_valid_ = true;
};

}  // namespace quorix::host
