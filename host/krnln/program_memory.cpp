#include "host/krnln/program_memory.h"

#include <sys/mman.h>

#include <bit>

#include "host/krnln/huge_pages.h"

namespace quorix::host {
namespace {

constexpr uint32_t kPageSize = 4096;

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

QxAddr ProgramMemory::AllocateNewSlot(uint32_t size, int size_class) {
    if (base_ == nullptr) return 0;
    const uint64_t slot_size = SlotSize(size_class);
    if (end_ + slot_size > reserved_) return 0;
    const QxAddr slot = end_;
    end_ = static_cast<uint32_t>(end_ + slot_size);
    // A text of megabytes (a whole character picture) is written right away: on huge pages.
    AdviseHugePages(base_ + slot, slot_size);
    MarkLive(slot + kHeaderSize, size_class, size);
    return slot + kHeaderSize;
}

uint32_t ProgramMemory::BlockSize(QxAddr address) const {
    if (!IsLiveBlock(address)) return 0;
    uint32_t size = 0;
    std::memcpy(&size, base_ + address - 4, 4);
    return size;
}

void ProgramMemory::FreeLarge(QxAddr address, int size_class) {
    ReleasePages(address, size_class);
    PutOnFreeList(address, size_class);
}

void ProgramMemory::ReleasePages(QxAddr address, int size_class) {
    // Give the pages of a large block back to the system; only the first page, which holds the
    // header and the free-list link, stays committed. Only pages wholly inside the slot go:
    // the kernel rounds the length up to a page, and a partial last page would zero the start
    // of the next block (its header and data) along with this one.
    const uint64_t slot = address - kHeaderSize;
    const uint64_t first_full_page = (slot + kPageSize) & ~uint64_t{kPageSize - 1};
    const uint64_t last_full_page_end = (slot + SlotSize(size_class)) & ~uint64_t{kPageSize - 1};
    if (last_full_page_end > first_full_page) {
        madvise(base_ + first_full_page, last_full_page_end - first_full_page, MADV_DONTNEED);
    }
}

std::string_view ProgramMemory::LongText(QxAddr address) const {
    const uint8_t* start = base_ + address;
    const void* nul = std::memchr(start, 0, end_ - address);
    if (nul == nullptr) return {};
    return {reinterpret_cast<const char*>(start),
            static_cast<size_t>(static_cast<const uint8_t*>(nul) - start)};
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
