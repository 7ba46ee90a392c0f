#include "host/iext/row_table.h"

#include <cstring>

namespace quorix::host {
namespace {

uint64_t Mix(uint64_t k) {
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdULL;
    k ^= k >> 33;
    k *= 0xc4ceb9fe1a85ec53ULL;
    k ^= k >> 33;
    return k;
}

constexpr uint64_t kEmpty = 0;

}  // namespace

uint64_t RowTable::Hash(std::string_view text) {
    const size_t n = text.size();
    uint64_t a = 0, b = 0;
    if (n <= 8) {
        std::memcpy(&a, text.data(), n);
    } else if (n <= 16) {
        std::memcpy(&a, text.data(), 8);
        std::memcpy(&b, text.data() + n - 8, 8);
    } else {
        uint64_t h = 0xcbf29ce484222325ULL;
        for (unsigned char c : text) h = (h ^ c) * 0x100000001b3ULL;
        a = h;
    }
    return Mix(a ^ Mix(b ^ (n * 0x9E3779B97F4A7C15ULL)));
}

void RowTable::Clear() {
    cells_.clear();
    rows_ = 0;
    slots_.clear();
    indexed_ = 0;
    index_valid_ = true;
}

int RowTable::Append(std::string_view first) {
    const int row = rows_++;
    cells_.resize(size_t(rows_) * columns_);
    cells_[size_t(row) * columns_].assign(first);
    if (index_valid_) Index(row, Hash(first));
    return row;
}

void RowTable::Grow() {
    const size_t capacity = slots_.empty() ? 1024 : slots_.size() * 2;
    std::vector<uint64_t> old;
    old.swap(slots_);
    slots_.assign(capacity, kEmpty);
    const size_t mask = capacity - 1;
    for (uint64_t slot : old) {
        if (slot == kEmpty) continue;
        const int row = static_cast<int>(uint32_t(slot)) - 1;
        const uint64_t h = Hash(cells_[size_t(row) * columns_]);
        size_t i = h & mask;
        while (slots_[i] != kEmpty) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

void RowTable::Index(int row, uint64_t hash) {
    if ((indexed_ + 1) * 2 > slots_.size()) Grow();
    const size_t mask = slots_.size() - 1;
    const uint64_t tag = hash >> 32;
    const std::string& key = cells_[size_t(row) * columns_];
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const uint64_t slot = slots_[i];
        if (slot == kEmpty) {
            slots_[i] = (tag << 32) | uint64_t(row + 1);
            ++indexed_;
            return;
        }
        if ((slot >> 32) == tag) {
            const int other = static_cast<int>(uint32_t(slot)) - 1;
            if (cells_[size_t(other) * columns_] == key) return;  // the first row wins
        }
    }
}

void RowTable::Rebuild() {
    slots_.clear();
    indexed_ = 0;
    index_valid_ = true;
    for (int row = 0; row < rows_; ++row) Index(row, Hash(cells_[size_t(row) * columns_]));
}

int RowTable::Find(std::string_view first) {
    if (!index_valid_) Rebuild();
    if (slots_.empty()) return -1;
    const uint64_t hash = Hash(first);
    const uint64_t tag = hash >> 32;
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const uint64_t slot = slots_[i];
        if (slot == kEmpty) return -1;
        if ((slot >> 32) == tag) {
            const int row = static_cast<int>(uint32_t(slot)) - 1;
            if (cells_[size_t(row) * columns_] == first) return row;
        }
    }
}

std::string_view RowTable::Cell(int row, int column) const {
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return {};
    return cells_[size_t(row) * columns_ + column];
}

bool RowTable::SetCell(int row, int column, std::string_view text) {
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return false;
    cells_[size_t(row) * columns_ + column].assign(text);
    if (column == 0) index_valid_ = false;  // rebuilt at the next lookup
    return true;
}

}  // namespace quorix::host
