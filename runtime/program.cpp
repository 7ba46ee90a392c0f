#include "runtime/program.h"

#include <array>
#include <bit>
#include <optional>
#include <span>

#include "image/code_section.h"

namespace quorix::rt {

Bound g_bound;

namespace {

QxAddr g_empty_text = 0;
QxAddr g_empty_binary = 0;

// The context is one this program was built against.
bool CheckContext(const QxHostContext* context) {
    return context != nullptr && context->struct_size == sizeof(QxHostContext);
}

// Every event of a running program comes with the same context: bind once. (A later program in
// the same process may reuse the address, so its contents are compared too.)
bool AlreadyBound(const QxHostContext* context) {
    return g_bound.context == context && g_bound.memory == context->memory_base &&
           g_bound.code == context->code_addr && g_bound.help == context->help_addr &&
           g_bound.call_core == reinterpret_cast<QxCallCoreCommandFn>(
                                    context->entry_table[QX_SLOT_CALL_CORE_COMMAND]);
}

// The services of the entry table, indexed by slot; a slot no stub names stays null.
using Services = std::array<QxServiceFn, QX_SLOT_COUNT>;

// Every service is reached through its stub: the stub's word is the program address of the
// slot in the entry table, which names the host function that serves it.
std::optional<Services> DecodeServices(const QxHostContext* context, std::span<const uint8_t> code,
                                       const code::CodeHeader& header) {
    Services services{};
    for (uint32_t i = 0; i < header.stub_count; ++i) {
        const image::Result<uint32_t> word = code::ReadStubWord(code, header, i);
        if (!word || *word < context->help_addr) return std::nullopt;
        const uint32_t slot_offset = *word - context->help_addr;
        if (slot_offset % 4 != 0 || slot_offset / 4 >= QX_SLOT_COUNT) return std::nullopt;
        services[slot_offset / 4] = context->entry_table[slot_offset / 4];
    }
    return services;
}

// Binds every service the program calls; false when a stub for one of them is missing.
bool BindServices(Bound& b, const Services& s) {
    b.call_library = reinterpret_cast<QxCallLibraryCommandFn>(s[QX_SLOT_CALL_LIBRARY_COMMAND]);
    b.call_core = reinterpret_cast<QxCallCoreCommandFn>(s[QX_SLOT_CALL_CORE_COMMAND]);
    b.read_property = reinterpret_cast<QxReadPropertyFn>(s[QX_SLOT_READ_PROPERTY]);
    b.write_property = reinterpret_cast<QxWritePropertyFn>(s[QX_SLOT_WRITE_PROPERTY]);
    b.allocate = reinterpret_cast<QxAllocateBlockFn>(s[QX_SLOT_ALLOCATE_BLOCK]);
    b.free = reinterpret_cast<QxFreeBlockFn>(s[QX_SLOT_FREE_BLOCK]);
    b.end_program = reinterpret_cast<QxEndProgramFn>(s[QX_SLOT_END_PROGRAM]);
    b.run_message_loop = reinterpret_cast<QxRunMessageLoopFn>(s[QX_SLOT_RUN_MESSAGE_LOOP]);
    b.open_start_window = reinterpret_cast<QxOpenStartWindowFn>(s[QX_SLOT_OPEN_START_WINDOW]);
    b.host_service = reinterpret_cast<QxHostServiceFn>(s[QX_SLOT_HOST_SERVICE]);
    return b.call_library && b.call_core && b.read_property && b.write_property && b.allocate &&
           b.free && b.end_program && b.run_message_loop && b.open_start_window && b.host_service;
}

}  // namespace

bool Bind(const QxHostContext* context) {
    if (!CheckContext(context)) return false;
    if (AlreadyBound(context)) return true;
    const std::span<const uint8_t> code(context->memory_base + context->code_addr,
                                        context->code_size);
    const image::Result<code::CodeHeader> header = code::ReadCodeHeader(code);
    if (!header) return false;
    const std::optional<Services> services = DecodeServices(context, code, *header);
    if (!services) return false;

    Bound b;
    b.context = context;
    b.memory = context->memory_base;
    b.memory_end = context->memory_end;
    b.code = context->code_addr;
    b.help = context->help_addr;
    b.references = code.data() + header->reference_offset;
    b.reference_count = header->reference_count;
    b.operands = code.data() + header->operand_offset;
    b.operand_count = header->operand_count;
    if (!BindServices(b, *services)) return false;
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
        Free();
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

void TextVariable::Free() {
    const QxAddr held = Load32(word_);
    if (held != 0) g_bound.free(held);
}

double AsDouble(uint64_t r) {
    double d;
    std::memcpy(&d, &r, 8);
    return d;
}

Text NumberToText(double value) {
    return Text::Owned(static_cast<QxAddr>(CallCore(abi::kCmdNumberToText, value)));
}

double TextToNumber(const Text& text) {
    return AsDouble(CallCore(abi::kCmdTextToNumber, text));
}

Binary ReadFile(const Text& path) {
    return Binary(static_cast<QxAddr>(CallCore(abi::kCmdReadFile, path)));
}

bool WriteFile(const Text& path, const Binary& data) {
    return Low(CallCore(abi::kCmdWriteFile, path, data)) != 0;
}

Text WriteFileOrSayWhy(const Text& path, const Binary& data) {
    return Text::Owned(static_cast<QxAddr>(CallCore(abi::kCmdWriteFileOrSayWhy, path, data)));
}

void ShowMessage(const Text& message, const Text& caption) {
    CallCore(abi::kCmdShowMessage, message, caption);
}

}  // namespace quorix::rt
