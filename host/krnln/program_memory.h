// Program memory: the 32-bit address space in which the program's data lives.
//
// One contiguous host region is reserved once; program addresses are offsets into it and 0
// means "no address". Sections of the image and every block handed out by AllocateBlock live
// here. Blocks are allocated and freed at per-pixel rates, so allocation is a free-list pop
// per size class and never touches the host heap.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "runtime/abi.h"

namespace quorix::host {

class ProgramMemory {
public:
    // Reserves `reserve_bytes` of address space (at most 4 GiB). Pages are committed by the
    // kernel as they are first touched.
    explicit ProgramMemory(uint64_t reserve_bytes = uint64_t{1} << 32);
    ~ProgramMemory();
    ProgramMemory(const ProgramMemory&) = delete;
    ProgramMemory& operator=(const ProgramMemory&) = delete;

    bool valid() const { return base_ != nullptr; }
    uint8_t* base() const { return base_; }
    // Program addresses at or past this value have never been handed out.
    const volatile uint32_t* end_pointer() const { return &end_; }
    uint32_t end() const { return end_; }

    // A block of at least `size` bytes, 8-byte aligned, or 0 when memory is exhausted.
    QxAddr Allocate(uint32_t size) {
        const int size_class = ClassFor(size);
        if (size_class >= kClassCount) return 0;
        const QxAddr data = free_lists_[size_class];
        if (data == 0) return AllocateNewSlot(size, size_class);
        uint8_t* const base = base_;  // held: the stores below could alias the member
        std::memcpy(&free_lists_[size_class], base + data, 4);
        const uint32_t header[2] = {kLiveTag | static_cast<uint32_t>(size_class), size};
        std::memcpy(base + data - kHeaderSize, header, sizeof header);
        ++blocks_in_use_;
        return data;
    }
    // Returns a block to its size class. Addresses that are not live blocks are ignored.
    void Free(QxAddr address) {
        if (!IsLiveBlock(address)) return;  // a double free or a stray address changes nothing
        const int size_class = static_cast<int>(Tag(address) & ~kTagMask);
        if (size_class >= kFirstReleasedClass) [[unlikely]] {
            FreeLarge(address, size_class);
            return;
        }
        PutOnFreeList(address, size_class);
    }
    // Usable size of a live block, 0 for anything else.
    uint32_t BlockSize(QxAddr address) const;
    bool IsLiveBlock(QxAddr address) const {
        if (address < kFirstAddress + kHeaderSize || address >= end_ || (address & 7) != 0) {
            return false;
        }
        const uint32_t tag = Tag(address);
        return (tag & kTagMask) == kLiveTag && (tag & ~kTagMask) < kClassCount;
    }

    uint64_t blocks_in_use() const { return blocks_in_use_; }

    // Checked views of program memory. Every accessor bounds-checks against end().
    bool InRange(QxAddr address, uint64_t length) const {
        return address != 0 && uint64_t{address} + length <= end_;
    }
    uint8_t* At(QxAddr address) const { return base_ + address; }
    uint32_t Read32(QxAddr address) const {
        uint32_t v = 0;
        if (InRange(address, 4)) std::memcpy(&v, base_ + address, 4);
        return v;
    }
    void Write32(QxAddr address, uint32_t value) {
        if (InRange(address, 4)) std::memcpy(base_ + address, &value, 4);
    }
    // The NUL-terminated text at `address`; the empty text for 0 or an unterminated text.
    std::string_view Text(QxAddr address) const {
        if (address == 0 || address >= end_) return {};
        const char* start = reinterpret_cast<const char*>(base_ + address);
        // Most texts are a colour or a few characters: their end is found in the first word.
        // The word may reach past the text, never past the reserved region.
        if (uint64_t{address} + 8 <= end_) {
            uint64_t word;
            std::memcpy(&word, start, 8);
            const uint64_t zero = (word - 0x0101010101010101ull) & ~word & 0x8080808080808080ull;
            if (zero != 0) return {start, static_cast<size_t>(std::countr_zero(zero) / 8)};
        }
        return LongText(address);
    }

    // A new block holding `bytes` followed by a NUL. 0 when memory is exhausted.
    QxAddr NewText(std::string_view bytes) {
        if (bytes.size() >= 0xFFFFFFF0u) return 0;
        const QxAddr a = Allocate(static_cast<uint32_t>(bytes.size() + 1));
        if (a == 0) return 0;
        uint8_t* const base = base_;
        CopyBytes(base + a, bytes.data(), bytes.size());
        base[a + bytes.size()] = 0;
        return a;
    }
    // A new binary block: u32 1, u32 length, then the bytes.
    QxAddr NewBinary(std::string_view bytes);
    // The bytes of a binary block; empty for anything that is not a well-formed block.
    std::string_view Binary(QxAddr address) const;

    // Frees every block and forgets every section: memory as after construction.
    void Reset();

private:
    // Each block is preceded by an 8-byte header: a tag word (live or free, with the size
    // class) and the size the caller asked for. A free block keeps the next free block's
    // address in its first data word.
    static constexpr uint32_t kHeaderSize = 8;
    static constexpr uint32_t kLiveTag = 0xB10C0000u;
    static constexpr uint32_t kFreeTag = 0xF4EE0000u;
    static constexpr uint32_t kTagMask = 0xFFFF0000u;
    static constexpr uint32_t kFirstAddress =
        4096;  // the first page stays unused: 0 is never valid
    static constexpr uint64_t kReleaseThreshold =
        64 * 1024;                          // freed blocks this large give pages back
    static constexpr int kClassCount = 29;  // 16 bytes .. 2 GiB, powers of two
    // The smallest size class whose slots are at least kReleaseThreshold bytes.
    static constexpr int kFirstReleasedClass = std::bit_width(kReleaseThreshold / 16) - 1;
    static_assert((uint64_t{16} << kFirstReleasedClass) == kReleaseThreshold);

    static int ClassFor(uint32_t size) {
        const uint64_t total = uint64_t{size} + kHeaderSize;
        if (total <= 16) return 0;
        return std::bit_width(total - 1) - 4;  // the smallest power of two >= total, from 16
    }
    static uint64_t SlotSize(int size_class) { return uint64_t{16} << size_class; }
    uint32_t Tag(QxAddr address) const {
        uint32_t tag;
        std::memcpy(&tag, base_ + address - kHeaderSize, 4);
        return tag;
    }
    void MarkLive(QxAddr data, int size_class, uint32_t size) {
        const uint32_t header[2] = {kLiveTag | static_cast<uint32_t>(size_class), size};
        std::memcpy(base_ + data - kHeaderSize, header, sizeof header);
        ++blocks_in_use_;
    }
    // Copies a short text with a few fixed-size moves instead of a call.
    static void CopyBytes(uint8_t* to, const char* from, size_t n) {
        if (n >= 8 && n <= 16) {
            uint64_t head, tail;
            std::memcpy(&head, from, 8);
            std::memcpy(&tail, from + n - 8, 8);
            std::memcpy(to, &head, 8);
            std::memcpy(to + n - 8, &tail, 8);
        } else if (n >= 4 && n < 8) {
            uint32_t head, tail;
            std::memcpy(&head, from, 4);
            std::memcpy(&tail, from + n - 4, 4);
            std::memcpy(to, &head, 4);
            std::memcpy(to + n - 4, &tail, 4);
        } else if (n > 0) {
            std::memcpy(to, from, n);
        }
    }
    void PutOnFreeList(QxAddr address, int size_class) {
        uint8_t* const base = base_;  // held: the stores below could alias the member
        const uint32_t free_tag = kFreeTag | static_cast<uint32_t>(size_class);
        std::memcpy(base + address - kHeaderSize, &free_tag, 4);
        std::memcpy(base + address, &free_lists_[size_class], 4);
        free_lists_[size_class] = address;
        --blocks_in_use_;
    }
    QxAddr AllocateNewSlot(uint32_t size, int size_class);
    // Frees a block large enough to give its pages back (out of line: a short text's free
    // then needs no registers saved).
    void FreeLarge(QxAddr address, int size_class);
    void ReleasePages(QxAddr address, int size_class);
    std::string_view LongText(QxAddr address) const;

    uint8_t* base_ = nullptr;
    uint64_t reserved_ = 0;
    volatile uint32_t end_ = 0;  // bump pointer: first address never handed out
    uint64_t blocks_in_use_ = 0;
    std::array<QxAddr, kClassCount> free_lists_{};
};

}  // namespace quorix::host
