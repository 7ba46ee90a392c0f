// Reading an argument block: a u32 count, then (low, high, type) triples.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "host/krnln/program_memory.h"
#include "runtime/abi.h"
#include "runtime/number.h"

namespace quorix::host {

struct Arg {
    uint32_t low = 0, high = 0, type = QX_ARG_OMITTED;
    bool omitted() const { return type == QX_ARG_OMITTED; }
};

class ArgView {
public:
    explicit ArgView(const uint32_t* block) : block_(block), count_(block ? block[0] : 0) {}
    uint32_t count() const { return count_; }
    Arg at(uint32_t i) const {
        if (i >= count_) return {};
        const uint32_t* t = block_ + 1 + 3 * i;
        return {t[0], t[1], t[2]};
    }
    // An integer argument; a double is converted as rt::ToInteger does; omitted gives
    // `fallback`.
    int32_t Int(uint32_t i, int32_t fallback = 0) const {
        if (i < count_ && block_[3 + 3 * i] == QX_ARG_INT)
            return static_cast<int32_t>(block_[1 + 3 * i]);
        const Arg a = at(i);
        if (a.omitted()) return fallback;
        if (a.type == QX_ARG_DOUBLE) return rt::ToInteger(Double(i));
        return static_cast<int32_t>(a.low);
    }
    double Double(uint32_t i) const {
        const Arg a = at(i);
        if (a.type != QX_ARG_DOUBLE) return static_cast<int32_t>(a.low);
        const uint64_t bits = uint64_t{a.low} | (uint64_t{a.high} << 32);
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }
    bool Bool(uint32_t i) const { return at(i).low != 0; }
    std::string_view Text(const ProgramMemory& memory, uint32_t i) const {
        const Arg a = at(i);
        return a.type == QX_ARG_TEXT ? memory.Text(a.low) : std::string_view();
    }
    std::string_view Binary(const ProgramMemory& memory, uint32_t i) const {
        const Arg a = at(i);
        return a.type == QX_ARG_BINARY ? memory.Binary(a.low) : std::string_view();
    }

private:
    const uint32_t* block_;
    uint32_t count_;
};

inline uint64_t DoubleResult(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    return bits;
}

}  // namespace quorix::host
