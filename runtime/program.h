// The program's side of the runtime: typed calls that build argument blocks and go through
// the service stubs of the code section, and accessors for program memory.
//
// Handlers never see argument blocks or slots; they write `board.Pixel(x, y)` and
// `table.FindRow(colour)`. Nothing here allocates on the host heap: blocks are built on the
// stack and texts live in program memory.
#pragma once

#include <concepts>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <utility>

#include "image/bytes.h"
#include "runtime/abi.h"
#include "runtime/commands.h"
#include "runtime/number.h"

namespace quorix::rt {

// Thrown inside the program (never across the runtime boundary) when the runtime reports that
// the program is ending while a routine is still running: the routine unwinds, releasing what
// it holds, and the dispatcher returns to the runtime.
struct ProgramEnding {};

// The bound runtime: memory, sections and the service functions resolved through the stubs.
struct Bound {
    const QxHostContext* context = nullptr;
    uint8_t* memory = nullptr;
    const volatile uint32_t* memory_end = nullptr;
    QxAddr code = 0;
    QxAddr help = 0;
    const uint8_t* references = nullptr;  // the relocated reference table's bytes
    uint32_t reference_count = 0;
    const uint8_t* operands = nullptr;  // the operand table's bytes
    uint32_t operand_count = 0;
    QxCallLibraryCommandFn call_library = nullptr;
    QxCallCoreCommandFn call_core = nullptr;
    QxReadPropertyFn read_property = nullptr;
    QxWritePropertyFn write_property = nullptr;
    QxAllocateBlockFn allocate = nullptr;
    QxFreeBlockFn free = nullptr;
    QxEndProgramFn end_program = nullptr;
    QxRunMessageLoopFn run_message_loop = nullptr;
    QxOpenStartWindowFn open_start_window = nullptr;
    QxHostServiceFn host_service = nullptr;
};
extern Bound g_bound;

// Checks the context, decodes the code header of the section it names and resolves every
// service through its stub, once per running program. Returns false when the code section is
// not one this program understands.
bool Bind(const QxHostContext* context);

// ---- Program memory ---------------------------------------------------------------------
inline bool InMemory(QxAddr a, uint64_t length) {
    return a != 0 && uint64_t{a} + length <= *g_bound.memory_end;
}
inline uint32_t Load32(QxAddr a) {
    uint32_t v = 0;
    if (InMemory(a, 4)) std::memcpy(&v, g_bound.memory + a, 4);
    return v;
}
inline void Store32(QxAddr a, uint32_t v) {
    if (InMemory(a, 4)) std::memcpy(g_bound.memory + a, &v, 4);
}
double LoadDouble(QxAddr a);
// The NUL-terminated text at `a`; the empty text for 0 or an address outside memory.
std::string_view TextAt(QxAddr a);

// The program address held in reference-table entry `index` (relocated at load).
// Bind has checked that both tables lie inside the code.
inline QxAddr Reference(uint32_t index) {
    return index < g_bound.reference_count ? image::LoadU32(g_bound.references + 4 * index) : 0;
}
inline uint32_t Operand(uint32_t index) {
    return index < g_bound.operand_count ? image::LoadU32(g_bound.operands + 4 * index) : 0;
}

// The empty constant text; every missing text argument is passed as this address.
QxAddr EmptyTextAddress();
QxAddr EmptyBinaryAddress();
void SetConstantAddresses(QxAddr empty_text, QxAddr empty_binary);

// ---- Texts ------------------------------------------------------------------------------
// A text in program memory. An owned text is freed when the Text goes away; a constant
// text of the image is never freed.
class Text {
public:
    Text() = default;
    static Text Owned(QxAddr a) { return Text(a, true); }
    static Text Constant(QxAddr a) { return Text(a, false); }
    Text(Text&& other) noexcept : addr_(std::exchange(other.addr_, 0)), owned_(other.owned_) {}
    Text& operator=(Text&& other) noexcept;
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    ~Text() { Free(); }

    // The address to pass as an argument: never 0.
    QxAddr address() const { return addr_ != 0 ? addr_ : EmptyTextAddress(); }
    std::string_view view() const { return TextAt(addr_); }
    bool empty() const { return view().empty(); }
    // Frees an owned text now; the Text is empty afterwards.
    void Free() {
        const QxAddr a = std::exchange(addr_, 0);
        if (owned_ && a != 0) g_bound.free(a);
    }
    // Gives up ownership without freeing and returns the address (for a text variable that
    // stores it); the Text is empty afterwards.
    QxAddr Detach() { return std::exchange(addr_, 0); }

    friend bool operator==(const Text& a, const Text& b) { return a.view() == b.view(); }

private:
    Text(QxAddr a, bool owned) : addr_(a), owned_(owned) {}
    QxAddr addr_ = 0;
    bool owned_ = false;
};

// A new text in program memory with these bytes.
Text NewText(std::string_view bytes);
// The two texts joined, the first in front.
Text operator+(const Text& a, const Text& b);

// A binary block in program memory (u32 1, u32 length, bytes), released when it goes away.
class Binary {
public:
    Binary() = default;
    explicit Binary(QxAddr a) : addr_(a) {}
    Binary(Binary&& other) noexcept : addr_(std::exchange(other.addr_, 0)) {}
    Binary& operator=(Binary&&) = delete;
    ~Binary();
    QxAddr address() const { return addr_ != 0 ? addr_ : EmptyBinaryAddress(); }

private:
    QxAddr addr_ = 0;
};

// A global text variable: a `var` word that owns the text it holds. Assigning copies the
// text and frees the previous one; a constant is copied, never stored itself.
class TextVariable {
public:
    explicit TextVariable(QxAddr word) : word_(word) {}
    void Assign(const Text& value);
    void Free();  // frees the text held; the word keeps its value
    std::string_view view() const { return TextAt(Load32(word_)); }
    bool Equals(const Text& other) const { return view() == other.view(); }

private:
    QxAddr word_;
};

// A 32-bit integer global in `var`.
class IntVariable {
public:
    explicit IntVariable(QxAddr word) : word_(word) {}
    int32_t get() const { return static_cast<int32_t>(Load32(word_)); }
    void set(int32_t v) { Store32(word_, static_cast<uint32_t>(v)); }

private:
    QxAddr word_;
};

// ---- Argument blocks --------------------------------------------------------------------
// One argument as the runtime reads it: (low, high, type).
struct ArgTriple {
    uint32_t low = 0, high = 0, type = QX_ARG_OMITTED;
};
// An argument left out: the command uses its default.
inline constexpr ArgTriple kOmitted{};

inline ArgTriple ToArg(const ArgTriple& a) {
    return a;
}
inline ArgTriple ToArg(int32_t v) {
    return {static_cast<uint32_t>(v), 0, QX_ARG_INT};
}
// Only a bool itself: a pointer or a number would convert to bool silently.
template <std::same_as<bool> B>
ArgTriple ToArg(B v) {
    return {v ? 1u : 0u, 0, QX_ARG_BOOL};
}
inline ArgTriple ToArg(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    return {static_cast<uint32_t>(bits), static_cast<uint32_t>(bits >> 32), QX_ARG_DOUBLE};
}
inline ArgTriple ToArg(const Text& t) {
    return {t.address(), 0, QX_ARG_TEXT};
}
inline ArgTriple ToArg(const Binary& b) {
    return {b.address(), 0, QX_ARG_BINARY};
}
// The runtime's enumerations (formats, kinds, parts) travel as integers.
template <typename E>
requires std::is_enum_v<E> ArgTriple ToArg(E v) {
    return ToArg(static_cast<int32_t>(v));
}

// A type that has exactly one way of being passed. An unsigned word, for one, could be an
// integer or a double, and is not.
template <typename T>
concept Argument = requires(const T& value) {
    ToArg(value);
};

// An argument block on the stack: the count, then each argument's triple. The block has room
// for exactly the arguments it is made from, and its count is their number.
template <size_t N>
class Args {
public:
    template <Argument... A>
    requires(sizeof...(A) == N) explicit Args(const A&... args) {
        words_[0] = N;
        uint32_t* p = words_ + 1;
        ((Put(p, ToArg(args)), p += 3), ...);
    }
    const uint32_t* block() const { return words_; }

private:
    static void Put(uint32_t* p, const ArgTriple& a) {
        p[0] = a.low;
        p[1] = a.high;
        p[2] = a.type;
    }
    uint32_t words_[1 + 3 * N];
};

// ---- Services ---------------------------------------------------------------------------
// A command of the core library with these arguments (ints, bools, doubles, texts, binaries,
// controls, enumerations, kOmitted or a raw ArgTriple), in order.
template <typename... A>
uint64_t CallCore(uint32_t command, const A&... args) {
    if constexpr (sizeof...(A) == 0) {
        static constexpr uint32_t kNoArguments[1] = {0};
        return g_bound.call_core(command, kNoArguments);
    } else {
        const Args<sizeof...(A)> block(args...);
        return g_bound.call_core(command, block.block());
    }
}
// A command of support library `library_index`, arguments as for CallCore.
template <typename... A>
uint64_t CallLibrary(uint32_t library_index, uint32_t command, const A&... args) {
    if constexpr (sizeof...(A) == 0) {
        static constexpr uint32_t kNoArguments[1] = {0};
        return g_bound.call_library(library_index, command, kNoArguments);
    } else {
        const Args<sizeof...(A)> block(args...);
        return g_bound.call_library(library_index, command, block.block());
    }
}
inline int32_t Low(uint64_t r) {
    return static_cast<int32_t>(static_cast<uint32_t>(r));
}
double AsDouble(uint64_t r);

// Lets pending interface events run. Throws ProgramEnding when the window has been closed
// meanwhile and the program is ending.
inline void DoEvents() {
    if (Low(CallCore(abi::kCmdDoEvents)) != 0) throw ProgramEnding{};
}
inline Text NumberToText(int32_t value) {
    return Text::Owned(static_cast<QxAddr>(CallCore(abi::kCmdNumberToText, value)));
}
Text NumberToText(double value);
double TextToNumber(const Text& text);
inline int32_t RandomInteger(int32_t low, int32_t high) {
    return Low(CallCore(abi::kCmdRandomInteger, low, high));
}
Binary ReadFile(const Text& path);
bool WriteFile(const Text& path, const Binary& data);
// Writes as WriteFile does; the empty text when the file was written, else a message for the
// user saying what was not written, where and why.
Text WriteFileOrSayWhy(const Text& path, const Binary& data);
// Shows `message` in a box over the window and returns once the user has closed it.
void ShowMessage(const Text& message, const Text& caption);

}  // namespace quorix::rt
