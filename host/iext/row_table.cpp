#include "host/iext/row_table.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "host/krnln/huge_pages.h"

namespace quorix::host {
namespace {

// Makes room for `more` elements at the end of `c`, by doubling. A photo's rows and texts grow
// to megabytes: the larger buffer asks for huge pages before anything is copied into it, so
// that it is not faulted in page by page.
template <typename Container>
void MakeRoom(Container& c, size_t more) {
    const size_t needed = c.size() + more;
    if (needed <= c.capacity()) return;
    Container larger;
    larger.reserve(std::max(needed, 2 * c.capacity()));
    AdviseHugePages(larger.data(), larger.capacity() * sizeof(typename Container::value_type));
    larger.insert(larger.end(), c.begin(), c.end());
    c.swap(larger);
}

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
    if (p == MAP_FAILED) {
        // Without a mapping of its own (the process is out of mappings or address space), the
        // table lives on the heap, zeroed all the same; when that fails too, the table cannot
        // grow, as any other out of memory.
        p = std::calloc(count, sizeof(Slot));
        if (p == nullptr) throw std::bad_alloc();
        heap_ = true;
        slots_ = static_cast<Slot*>(p);
        count_ = count;
        return;
    }
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

void RowTable::SlotArray::Release() {
    if (heap_) {
        std::free(slots_);
    } else if (mapping_ != nullptr) {
        munmap(mapping_, mapped_);
    }
}

RowTable::SlotArray& RowTable::SlotArray::operator=(SlotArray&& other) noexcept {
    if (this != &other) {
        Release();
        mapping_ = std::exchange(other.mapping_, nullptr);
        mapped_ = std::exchange(other.mapped_, 0);
        heap_ = std::exchange(other.heap_, false);
        slots_ = std::exchange(other.slots_, nullptr);
        count_ = std::exchange(other.count_, 0);
    }
    return *this;
}

RowTable::SlotArray::~SlotArray() {
    Release();
}

namespace {

// The bytes of a text of at most 8 bytes as one word, zero-padded: two overlapping loads
// instead of a call.
uint64_t LoadShort(const char* p, size_t n) {
    if (n >= 4) {
        uint32_t low, high;
        std::memcpy(&low, p, 4);
        std::memcpy(&high, p + n - 4, 4);
        return low | (uint64_t{high} << (8 * (n - 4)));
    }
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v |= uint64_t{static_cast<uint8_t>(p[i])} << (8 * i);
    return v;
}

}  // namespace

RowTable::Key RowTable::KeyOf(std::string_view text) {
    const size_t n = text.size();
    if (n <= 8) {
        const uint64_t word = LoadShort(text.data(), n);
        return {word, true, static_cast<uint32_t>(Mix(word ^ (n * 0x9E3779B97F4A7C15ULL)))};
    }
    uint64_t a = 0, b = 0;
    if (n <= 16) {
        std::memcpy(&a, text.data(), 8);
        std::memcpy(&b, text.data() + n - 8, 8);
    } else {
        uint64_t h = 0xcbf29ce484222325ULL;
        for (unsigned char c : text) h = (h ^ c) * 0x100000001b3ULL;
        a = h;
    }
    return {0, false, static_cast<uint32_t>(Mix(a ^ Mix(b ^ (n * 0x9E3779B97F4A7C15ULL))))};
}

RowTable::CellText RowTable::Store(std::string_view text) {
    if (text.empty()) return {};
    if (arena_.size() + text.size() > UINT32_MAX) Compact();
    const CellText cell{static_cast<uint32_t>(arena_.size()), static_cast<uint32_t>(text.size())};
    MakeRoom(arena_, text.size());
    arena_.append(text);
    live_bytes_ += text.size();
    return cell;
}

void RowTable::Compact() {
    std::string packed;
    packed.reserve(live_bytes_);
    for (CellText& cell : cells_) {
        const std::string_view text = TextOf(cell);
        cell.offset = static_cast<uint32_t>(packed.size());
        packed.append(text);
    }
    arena_ = std::move(packed);
}

void RowTable::Clear() {
    cells_.clear();
    arena_.clear();
    live_bytes_ = 0;
    rows_ = 0;
    slots_ = SlotArray();
    indexed_ = 0;
    index_valid_ = true;
    anticipated_rows_.fill(-1);
}

int RowTable::Append(std::string_view first) {
    const int row = rows_++;
    MakeRoom(cells_, static_cast<size_t>(columns_));
    cells_.resize(size_t(rows_) * columns_);
    cells_[size_t(row) * columns_] = Store(first);
    if (index_valid_) Index(row);
    return row;
}

void RowTable::Grow() {
    const size_t capacity = slots_.empty() ? 1024 : slots_.size() * 2;
    // Made before the old slots are given up: a table that cannot grow keeps its index.
    SlotArray grown(capacity);
    const size_t mask = capacity - 1;
    for (const Slot& slot : slots_) {
        if (slot.row == 0) continue;
        size_t i = slot.hash & mask;
        while (grown[i].row != 0) i = (i + 1) & mask;
        grown[i] = slot;
    }
    slots_ = std::move(grown);
}

bool RowTable::Matches(const Slot& slot, const Key& key, std::string_view text) const {
    if ((slot.row & kLongKey) == 0) return key.is_short && slot.key8 == key.word;
    if (key.is_short) return false;
    const int row = static_cast<int>(slot.row & ~kLongKey) - 1;
    return TextOf(cells_[size_t(row) * columns_]) == text;
}

void RowTable::Index(int row) {
    if ((indexed_ + 1) * 2 > slots_.size()) Grow();
    const size_t mask = slots_.size() - 1;
    const std::string_view text = TextOf(cells_[size_t(row) * columns_]);
    const Key key = KeyOf(text);
    for (size_t i = key.hash & mask;; i = (i + 1) & mask) {
        Slot& slot = slots_[i];
        if (slot.row == 0) {
            slot.key8 = key.word;
            slot.row = static_cast<uint32_t>(row + 1) | (key.is_short ? 0 : kLongKey);
            slot.hash = key.hash;
            ++indexed_;
            return;
        }
        if (slot.hash == key.hash && Matches(slot, key, text)) return;  // the first row wins
    }
}

void RowTable::Rebuild() {
    slots_ = SlotArray();
    indexed_ = 0;
    index_valid_ = true;
    for (int row = 0; row < rows_; ++row) Index(row);
}

int RowTable::Probe(const Key& key, std::string_view text) const {
    const size_t mask = slots_.size() - 1;
    for (size_t i = key.hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (slot.row == 0) return -1;
        if (slot.hash == key.hash && Matches(slot, key, text)) {
            return static_cast<int>(slot.row & ~kLongKey) - 1;
        }
    }
}

int RowTable::Find(std::string_view first) {
    if (!index_valid_) Rebuild();
    if (slots_.empty()) return -1;
    return Probe(KeyOf(first), first);
}

void RowTable::Anticipate(std::string_view first) {
    if (!index_valid_ || !worth_anticipating()) return;
    const unsigned now = anticipated_++;
    // This text's slot: the lookup a few calls from now finds it cached (or, for a new text,
    // the row appended there finds it so).
    const Key key = KeyOf(first);
    __builtin_prefetch(&slots_[key.hash & (slots_.size() - 1)], 1);
    anticipated_keys_[now % kPipeline] = key;
    // The text anticipated kRowLag calls ago: its slot has arrived, its row's cells are next.
    // Only a short text's slot says its row without reading the row's own first column.
    const Key& earlier = anticipated_keys_[(now - kRowLag) % kPipeline];
    const int row = earlier.is_short ? Probe(earlier, {}) : -1;
    anticipated_rows_[now % kPipeline] = row;
    if (row >= 0 && columns_ > 1) __builtin_prefetch(&cells_[size_t(row) * columns_ + 1]);
    // The row found kCellLag calls ago: its cells have arrived, their bytes are next.
    const int found = anticipated_rows_[(now - kCellLag) % kPipeline];
    if (found >= 0 && found < rows_ && columns_ > 1) {
        const CellText& cell = cells_[size_t(found) * columns_ + 1];
        if (cell.size != 0) __builtin_prefetch(arena_.data() + cell.offset);
    }
}

std::string_view RowTable::Cell(int row, int column) const {
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return {};
    return TextOf(cells_[size_t(row) * columns_ + column]);
}

bool RowTable::SetCell(int row, int column, std::string_view text) {
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return false;
    CellText& cell = cells_[size_t(row) * columns_ + column];
    live_bytes_ -= cell.size;
    cell = Store(text);
    if (arena_.size() > 2 * live_bytes_ + 4096) Compact();
    if (column == 0) index_valid_ = false;  // rebuilt at the next lookup
    return true;
}

}  // namespace quorix::host
