#include "host/krnln/program_memory.h"

#include <sys/mman.h>

#include <bit>

namespace quorix::host {
namespace {

// Each block is preceded by an 8-byte header: a tag word (live or free, with the size class)
// and the size the caller asked for. A free block keeps the next free block's address in
// its first data word.
constexpr uint32_t kHeaderSize = 8;
constexpr uint32_t kLiveTag = 0xB10C0000u;
constexpr uint32_t kFreeTag = 0xF4EE0000u;
constexpr uint32_t kTagMask = 0xFFFF0000u;
constexpr uint32_t kFirstAddress = 4096;  // the first page stays unused so that 0 is never valid
constexpr uint32_t kReleaseThreshold = 64 * 1024;  // freed blocks this large give pages back
constexpr uint32_t kPageSize = 4096;

uint64_t SlotSize(int size_class) {
    return uint64_t{16} << size_class;
}

}  // namespace

ProgramMemory::ProgramMemory(uint64_t reserve_bytes) {
    if (reserve_bytes > (uint64_t{1} << 32)) reserve_bytes = uint64_t{1} << 32;
    void* p = mmap(nullptr, reserve_bytes, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) return;
    base_ = static_cast<uint8_t*>(p);
    reserved_ = reserve_bytes;
    end_ = kFirstAddress;
}

ProgramMemory::~ProgramMemory() {
    if (base_ != nullptr) munmap(base_, reserved_);
}

int ProgramMemory::ClassFor(uint32_t size) {
    const uint64_t total = uint64_t{size} + kHeaderSize;
    if (total <= 16) return 0;
    const int bits = std::bit_width(total - 1);  // smallest power of two >= total
    return bits - 4;
}

QxAddr ProgramMemory::Allocate(uint32_t size) {
    if (base_ == nullptr) return 0;
    const int size_class = ClassFor(size);
    if (size_class >= kClassCount) return 0;
    QxAddr slot = 0;
    if (free_lists_[size_class] != 0) {
        const QxAddr data = free_lists_[size_class];
        std::memcpy(&free_lists_[size_class], base_ + data, 4);
        slot = data - kHeaderSize;
    } else {
        const uint64_t slot_size = SlotSize(size_class);
        if (end_ + slot_size > reserved_) return 0;
        slot = end_;
        end_ = static_cast<uint32_t>(end_ + slot_size);
    }
    const uint32_t header[2] = {kLiveTag | static_cast<uint32_t>(size_class), size};
    std::memcpy(base_ + slot, header, sizeof header);
    ++blocks_in_use_;
    return slot + kHeaderSize;
}

bool ProgramMemory::IsLiveBlock(QxAddr address) const {
    if (address < kFirstAddress + kHeaderSize || address >= end_ || (address & 7) != 0) {
        return false;
    }
    uint32_t tag = 0;
    std::memcpy(&tag, base_ + address - kHeaderSize, 4);
    return (tag & kTagMask) == kLiveTag && (tag & ~kTagMask) < kClassCount;
}

uint32_t ProgramMemory::BlockSize(QxAddr address) const {
    if (!IsLiveBlock(address)) return 0;
    uint32_t size = 0;
    std::memcpy(&size, base_ + address - 4, 4);
    return size;
}

void ProgramMemory::Free(QxAddr address) {
    if (!IsLiveBlock(address)) return;  // a double free or a stray address changes nothing
    uint32_t tag = 0;
    std::memcpy(&tag, base_ + address - kHeaderSize, 4);
    const int size_class = static_cast<int>(tag & ~kTagMask);
    const uint64_t slot_size = SlotSize(size_class);
    if (slot_size >= kReleaseThreshold) {
        // Give the pages of a large block back to the system; only the first page, which holds
        // the header and the free-list link, stays committed. Only pages wholly inside the
        // slot go: the kernel rounds the length up to a page, and a partial last page would
        // zero the start of the next block (its header and data) along with this one.
        const uint64_t slot = address - kHeaderSize;
        const uint64_t first_full_page = (slot + kPageSize) & ~uint64_t{kPageSize - 1};
        const uint64_t last_full_page_end = (slot + slot_size) & ~uint64_t{kPageSize - 1};
        if (last_full_page_end > first_full_page) {
            madvise(base_ + first_full_page, last_full_page_end - first_full_page, MADV_DONTNEED);
        }
    }
    const uint32_t free_tag = kFreeTag | static_cast<uint32_t>(size_class);
    std::memcpy(base_ + address - kHeaderSize, &free_tag, 4);
    std::memcpy(base_ + address, &free_lists_[size_class], 4);
    free_lists_[size_class] = address;
    --blocks_in_use_;
}

std::string_view ProgramMemory::Text(QxAddr address) const {
    if (address == 0 || address >= end_) return {};
    const uint8_t* start = base_ + address;
    const void* nul = std::memchr(start, 0, end_ - address);
    if (nul == nullptr) return {};
    return {reinterpret_cast<const char*>(start),
            static_cast<size_t>(static_cast<const uint8_t*>(nul) - start)};
}

QxAddr ProgramMemory::NewText(std::string_view bytes) {
    if (bytes.size() >= 0xFFFFFFF0u) return 0;
    const QxAddr a = Allocate(static_cast<uint32_t>(bytes.size() + 1));
    if (a == 0) return 0;
    if (!bytes.empty()) std::memcpy(base_ + a, bytes.data(), bytes.size());
    base_[a + bytes.size()] = 0;
    return a;
}

QxAddr ProgramMemory::NewBinary(std::string_view bytes) {
    if (bytes.size() >= 0xFFFFFFF0u - 8) return 0;
    const QxAddr a = Allocate(static_cast<uint32_t>(bytes.size() + 8));
    if (a == 0) return 0;
    const uint32_t head[2] = {1, static_cast<uint32_t>(bytes.size())};
    std::memcpy(base_ + a, head, 8);
    if (!bytes.empty()) std::memcpy(base_ + a + 8, bytes.data(), bytes.size());
    return a;
}

std::string_view ProgramMemory::Binary(QxAddr address) const {
    if (!InRange(address, 8)) return {};
    uint32_t head[2];
    std::memcpy(head, base_ + address, 8);
    if (head[0] != 1 || !InRange(address + 8, head[1])) return {};
    return {reinterpret_cast<const char*>(base_ + address + 8), head[1]};
}

void ProgramMemory::Reset() {
    if (base_ == nullptr) return;
    madvise(base_, end_, MADV_DONTNEED);
    end_ = kFirstAddress;
    blocks_in_use_ = 0;
    free_lists_.fill(0);
}

}  // namespace quorix::host
