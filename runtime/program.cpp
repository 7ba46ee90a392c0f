#include "runtime/program.h"

#include <bit>
#include <cmath>
#include <limits>

#include "runtime/code_format.h"

namespace quorix::rt {

Bound g_bound;

namespace {

QxAddr g_empty_text = 0;
QxAddr g_empty_binary = 0;

uint32_t CodeWord(const uint8_t* code, uint32_t code_size, uint32_t offset) {
    uint32_t v = 0;
    if (uint64_t{offset} + 4 <= code_size) std::memcpy(&v, code + offset, 4);
    return v;
}

}  // namespace

bool Bind(const QxHostContext* context) {
    if (context == nullptr || context->struct_size != sizeof(QxHostContext)) return false;
    // Every event of a running program comes with the same context: bind once. (A later
    // program in the same process may reuse the address, so its contents are compared too.)
    if (g_bound.context == context && g_bound.memory == context->memory_base &&
        g_bound.code == context->code_addr && g_bound.help == context->help_addr &&
        g_bound.call_core == reinterpret_cast<QxCallCoreCommandFn>(
                                 context->entry_table[QX_SLOT_CALL_CORE_COMMAND])) {
        return true;
    }
    const uint8_t* code = context->memory_base + context->code_addr;
    const uint32_t size = context->code_size;
    if (CodeWord(code, size, code::kHdrMagic * 4) != code::kCodeMagic) return false;

    Bound b;
    b.context = context;
    b.memory = context->memory_base;
    b.memory_end = context->memory_end;
    b.code = context->code_addr;
    b.help = context->help_addr;
    const uint32_t ref_count = CodeWord(code, size, code::kHdrReferenceCount * 4);
    const uint32_t ref_offset = CodeWord(code, size, code::kHdrReferenceOffset * 4);
    const uint32_t op_count = CodeWord(code, size, code::kHdrOperandCount * 4);
    const uint32_t op_offset = CodeWord(code, size, code::kHdrOperandOffset * 4);
    const uint32_t stub_count = CodeWord(code, size, code::kHdrStubCount * 4);
    const uint32_t stub_offset = CodeWord(code, size, code::kHdrStubOffset * 4);
    if (uint64_t{ref_offset} + uint64_t{ref_count} * 4 > size ||
        uint64_t{op_offset} + uint64_t{op_count} * 4 > size ||
        uint64_t{stub_offset} + uint64_t{stub_count} * code::kStubSize > size ||
        stub_count != code::kStubCount || (ref_offset | op_offset) % 4 != 0) {
        return false;
    }
    b.references = reinterpret_cast<const uint32_t*>(code + ref_offset);
    b.reference_count = ref_count;
    b.operands = reinterpret_cast<const uint32_t*>(code + op_offset);
    b.operand_count = op_count;

    // Every service is reached through its stub: the stub's word is the program address of
    // the slot in the entry table, which names the host function that serves it.
    QxServiceFn fns[QX_SLOT_COUNT] = {};
    for (uint32_t i = 0; i < stub_count; ++i) {
        const uint32_t at = stub_offset + i * code::kStubSize;
        if (code[at] != code::kStubOpcode[0] || code[at + 1] != code::kStubOpcode[1]) return false;
        const uint32_t slot_address = CodeWord(code, size, at + 2);
        if (slot_address < context->help_addr) return false;
        const uint32_t slot = (slot_address - context->help_addr) / 4;
        if (slot >= QX_SLOT_COUNT || (slot_address - context->help_addr) % 4 != 0) return false;
        fns[slot] = context->entry_table[slot];
    }
    b.call_library = reinterpret_cast<QxCallLibraryCommandFn>(fns[QX_SLOT_CALL_LIBRARY_COMMAND]);
    b.call_core = reinterpret_cast<QxCallCoreCommandFn>(fns[QX_SLOT_CALL_CORE_COMMAND]);
    b.read_property = reinterpret_cast<QxReadPropertyFn>(fns[QX_SLOT_READ_PROPERTY]);
    b.write_property = reinterpret_cast<QxWritePropertyFn>(fns[QX_SLOT_WRITE_PROPERTY]);
    b.allocate = reinterpret_cast<QxAllocateBlockFn>(fns[QX_SLOT_ALLOCATE_BLOCK]);
    b.free = reinterpret_cast<QxFreeBlockFn>(fns[QX_SLOT_FREE_BLOCK]);
    b.end_program = reinterpret_cast<QxEndProgramFn>(fns[QX_SLOT_END_PROGRAM]);
    b.run_message_loop = reinterpret_cast<QxRunMessageLoopFn>(fns[QX_SLOT_RUN_MESSAGE_LOOP]);
    b.open_start_window = reinterpret_cast<QxOpenStartWindowFn>(fns[QX_SLOT_OPEN_START_WINDOW]);
    b.host_service = reinterpret_cast<QxHostServiceFn>(fns[QX_SLOT_HOST_SERVICE]);
    if (!b.call_library || !b.call_core || !b.read_property || !b.write_property || !b.allocate ||
        !b.free || !b.end_program || !b.run_message_loop || !b.open_start_window ||
        !b.host_service) {
        return false;
    }
    g_bound = b;
    return true;
}

double LoadDouble(QxAddr a) {
    double v = 0;
    if (InMemory(a, 8)) std::memcpy(&v, g_bound.memory + a, 8);
    return v;
}

std::string_view TextAt(QxAddr a) {
    if (a == 0) return {};
    const uint32_t end = *g_bound.memory_end;
    if (a >= end) return {};
    const uint8_t* start = g_bound.memory + a;
    // Most texts are short: their end is found in the first word (which may reach past the
    // text, never past program memory).
    if (uint64_t{a} + 8 <= end) {
        uint64_t word;
        std::memcpy(&word, start, 8);
        const uint64_t zero = (word - 0x0101010101010101ull) & ~word & 0x8080808080808080ull;
        if (zero != 0) {
            return {reinterpret_cast<const char*>(start),
                    static_cast<size_t>(std::countr_zero(zero) / 8)};
        }
    }
    const void* nul = std::memchr(start, 0, end - a);
    if (nul == nullptr) return {};
    return {reinterpret_cast<const char*>(start),
            static_cast<size_t>(static_cast<const uint8_t*>(nul) - start)};
}

QxAddr EmptyTextAddress() {
    return g_empty_text;
}
QxAddr EmptyBinaryAddress() {
    return g_empty_binary;
}
void SetConstantAddresses(QxAddr empty_text, QxAddr empty_binary) {
    g_empty_text = empty_text;
    g_empty_binary = empty_binary;
}

Text& Text::operator=(Text&& other) noexcept {
    if (this != &other) {
        Release();
        addr_ = std::exchange(other.addr_, 0);
        owned_ = other.owned_;
    }
    return *this;
}

Text NewText(std::string_view bytes) {
    const QxAddr a = g_bound.allocate(static_cast<uint32_t>(bytes.size() + 1));
    if (a == 0) return Text();
    if (!bytes.empty()) std::memcpy(g_bound.memory + a, bytes.data(), bytes.size());
    g_bound.memory[a + bytes.size()] = 0;
    return Text::Owned(a);
}

Text operator+(const Text& a, const Text& b) {
    const std::string_view x = a.view();
    const std::string_view y = b.view();
    const QxAddr r = g_bound.allocate(static_cast<uint32_t>(x.size() + y.size() + 1));
    if (r == 0) return Text();
    std::memcpy(g_bound.memory + r, x.data(), x.size());
    std::memcpy(g_bound.memory + r + x.size(), y.data(), y.size());
    g_bound.memory[r + x.size() + y.size()] = 0;
    return Text::Owned(r);
}

Binary::~Binary() {
    if (addr_ != 0) g_bound.free(addr_);
}

void TextVariable::Assign(const Text& value) {
    Text copy = NewText(value.view());
    const QxAddr previous = Load32(word_);
    Store32(word_, copy.Detach());
    if (previous != 0) g_bound.free(previous);
}

void TextVariable::Release() {
    const QxAddr held = Load32(word_);
    if (held != 0) g_bound.free(held);
}

double AsDouble(uint64_t r) {
    double d;
    std::memcpy(&d, &r, 8);
    return d;
}

Text NumberToText(double value) {
    Args<1> a;
    a.Double(value);
    return Text::Owned(static_cast<QxAddr>(CallCore(abi::kCmdNumberToText, a.block())));
}

double TextToNumber(const Text& text) {
    Args<1> a;
    a.TextArg(text);
    return AsDouble(CallCore(abi::kCmdTextToNumber, a.block()));
}

Binary ReadFile(const Text& path) {
    Args<1> a;
    a.TextArg(path);
    return Binary(static_cast<QxAddr>(CallCore(abi::kCmdReadFile, a.block())));
}

bool WriteFile(const Text& path, const Binary& data) {
    Args<2> a;
    a.TextArg(path).BinaryArg(data);
    return Low(CallCore(abi::kCmdWriteFile, a.block())) != 0;
}

Text WriteFileOrSayWhy(const Text& path, const Binary& data) {
    Args<2> a;
    a.TextArg(path).BinaryArg(data);
    return Text::Owned(static_cast<QxAddr>(CallCore(abi::kCmdWriteFileOrSayWhy, a.block())));
}

void ShowMessage(const Text& message, const Text& caption) {
    Args<2> a;
    a.TextArg(message).TextArg(caption);
    CallCore(abi::kCmdShowMessage, a.block());
}

int32_t ToInteger(double value) {
    if (std::isnan(value)) return 0;
    const double t = std::trunc(value);
    if (t >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (t <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(t);
}

}  // namespace quorix::rt
