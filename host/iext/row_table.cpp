#include "host/iext/row_table.h"

#include <sys/mman.h>

#include <cstring>
#include <utility>

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

}  // namespace

RowTable::SlotArray::SlotArray(size_t count) {
    constexpr size_t kHugePage = size_t{2} << 20;
    const size_t bytes = count * sizeof(Slot);
    // Large tables are aligned to a huge page so the kernel can back them with huge pages.
    const size_t extra = bytes >= kHugePage ? kHugePage : 0;
    void* p =
        mmap(nullptr, bytes + extra, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return;
    mapping_ = p;
    mapped_ = bytes + extra;
    uintptr_t start = reinterpret_cast<uintptr_t>(p);
    if (extra != 0) {
        start = (start + kHugePage - 1) & ~(kHugePage - 1);
        madvise(reinterpret_cast<void*>(start), bytes, MADV_HUGEPAGE);
    }
    slots_ = reinterpret_cast<Slot*>(start);
    count_ = count;
}

RowTable::SlotArray& RowTable::SlotArray::operator=(SlotArray&& other) noexcept {
    if (this != &other) {
        if (mapping_ != nullptr) munmap(mapping_, mapped_);
        mapping_ = std::exchange(other.mapping_, nullptr);
        mapped_ = std::exchange(other.mapped_, 0);
        slots_ = std::exchange(other.slots_, nullptr);
        count_ = std::exchange(other.count_, 0);
    }
    return *this;
}

RowTable::SlotArray::~SlotArray() {
    if (mapping_ != nullptr) munmap(mapping_, mapped_);
}

namespace {
// The key's bytes as one word when it is at most 8 bytes long.
bool ShortKey(std::string_view text, uint64_t& key8) {
    key8 = 0;
    if (text.size() > 8) return false;
    std::memcpy(&key8, text.data(), text.size());
    return true;
}
}  // namespace

uint64_t RowTable::Hash(std::string_view text) {
    const size_t n = text.size();
    uint64_t a = 0, b = 0;
    if (n <= 8) {
        std::memcpy(&a, text.data(), n);
        return Mix(a ^ (n * 0x9E3779B97F4A7C15ULL));
    }
    if (n <= 16) {
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
    slots_ = SlotArray();
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
    SlotArray old = std::move(slots_);
    slots_ = SlotArray(capacity);
    const size_t mask = capacity - 1;
    for (const Slot& slot : old) {
        if (slot.row == 0) continue;
        size_t i = slot.hash & mask;
        while (slots_[i].row != 0) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

bool RowTable::Matches(const Slot& slot, uint64_t key8, bool short_key,
                       std::string_view key) const {
    if ((slot.row & kLongKey) == 0) return short_key && slot.key8 == key8;
    if (short_key) return false;
    const int row = static_cast<int>(slot.row & ~kLongKey) - 1;
    return cells_[size_t(row) * columns_] == key;
}

void RowTable::Index(int row, uint64_t hash) {
    if ((indexed_ + 1) * 2 > slots_.size()) Grow();
    const size_t mask = slots_.size() - 1;
    const std::string& key = cells_[size_t(row) * columns_];
    uint64_t key8 = 0;
    const bool short_key = ShortKey(key, key8);
    const uint32_t h = static_cast<uint32_t>(hash);
    for (size_t i = h & mask;; i = (i + 1) & mask) {
        Slot& slot = slots_[i];
        if (slot.row == 0) {
            slot.key8 = key8;
            slot.row = static_cast<uint32_t>(row + 1) | (short_key ? 0 : kLongKey);
            slot.hash = h;
            ++indexed_;
            return;
        }
        if (slot.hash == h && Matches(slot, key8, short_key, key)) return;  // the first row wins
    }
}

void RowTable::Rebuild() {
    slots_ = SlotArray();
    indexed_ = 0;
    index_valid_ = true;
    for (int row = 0; row < rows_; ++row) Index(row, Hash(cells_[size_t(row) * columns_]));
}

int RowTable::Find(std::string_view first) {
    if (!index_valid_) Rebuild();
    if (slots_.empty()) return -1;
    uint64_t key8 = 0;
    const bool short_key = ShortKey(first, key8);
    const uint32_t h = static_cast<uint32_t>(Hash(first));
    const size_t mask = slots_.size() - 1;
    for (size_t i = h & mask;; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (slot.row == 0) return -1;
        if (slot.hash == h && Matches(slot, key8, short_key, first)) {
            return static_cast<int>(slot.row & ~kLongKey) - 1;
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
