// Program memory: the 32-bit address space in which the program's data lives.
//
// One contiguous host region is reserved once; program addresses are offsets into it and 0
// means "no address". Sections of the image and every block handed out by AllocateBlock live
// here. Blocks are allocated and freed at per-pixel rates, so allocation is a free-list pop
// per size class and never touches the host heap.
#pragma once

#include <array>
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
    QxAddr Allocate(uint32_t size);
    // Returns a block to its size class. Addresses that are not live blocks are ignored.
    void Free(QxAddr address);
    // Usable size of a live block, 0 for anything else.
    uint32_t BlockSize(QxAddr address) const;
    bool IsLiveBlock(QxAddr address) const;

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
    std::string_view Text(QxAddr address) const;

    // A new block holding `bytes` followed by a NUL. 0 when memory is exhausted.
    QxAddr NewText(std::string_view bytes);
    // A new binary block: u32 1, u32 length, then the bytes.
    QxAddr NewBinary(std::string_view bytes);
    // The bytes of a binary block; empty for anything that is not a well-formed block.
    std::string_view Binary(QxAddr address) const;

    // Frees every block and forgets every section: memory as after construction.
    void Reset();

private:
    static constexpr int kClassCount = 29;  // 16 bytes .. 2 GiB, powers of two
    static int ClassFor(uint32_t size);

    uint8_t* base_ = nullptr;
    uint64_t reserved_ = 0;
    volatile uint32_t end_ = 0;  // bump pointer: first address never handed out
    uint64_t blocks_in_use_ = 0;
    std::array<QxAddr, kClassCount> free_lists_{};
};

}  // namespace quorix::host
