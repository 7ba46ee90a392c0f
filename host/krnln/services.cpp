#include "host/krnln/services.h"

#include <QFile>
#include <charconv>
#include <cmath>
#include <cstring>
#include <random>

#include "host/krnln/args.h"
#include "host/krnln/fatal_error.h"
#include "host/krnln/file_writing.h"
#include "host/krnln/flat_commands.h"
#include "host/krnln/history.h"
#include "host/krnln/message.h"
#include "host/krnln/runtime.h"
#include "host/krnln/start_window.h"
#include "host/krnln/text_codec.h"
#include "host/krnln/unit_host.h"
#include "host/library_commands.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

// A picture file larger than this is not read into program memory.
constexpr qint64 kMaxFileBytes = 256 * 1024 * 1024;

Runtime* R() {
    return Runtime::Current();
}

// xoshiro128++: small, fast, and good enough for picking digits.
class Random {
public:
    Random() {
        std::random_device device;
        for (uint32_t& s : state_) s = device();
        if ((state_[0] | state_[1] | state_[2] | state_[3]) == 0) state_[0] = 1;
    }
    uint32_t Next() {
        const uint32_t result = Rotl(state_[0] + state_[3], 7) + state_[0];
        const uint32_t t = state_[1] << 9;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = Rotl(state_[3], 11);
        return result;
    }
    // Uniform in [low, high], both included.
    int32_t Between(int32_t low, int32_t high) {
        if (high < low) std::swap(low, high);
        const uint64_t span = uint64_t(int64_t{high} - low) + 1;
        if (span > 0xFFFFFFFFull) return static_cast<int32_t>(Next());
        // Lemire's multiply-shift with rejection: no modulo bias.
        uint64_t m = uint64_t{Next()} * span;
        uint32_t l = static_cast<uint32_t>(m);
        if (l < span) {
            const uint32_t threshold = static_cast<uint32_t>((0x100000000ull - span) % span);
            while (l < threshold) {
                m = uint64_t{Next()} * span;
                l = static_cast<uint32_t>(m);
            }
        }
        return static_cast<int32_t>(low + static_cast<int64_t>(m >> 32));
    }

private:
    static uint32_t Rotl(uint32_t x, int k) { return (x << k) | (x >> (32 - k)); }
    uint32_t state_[4];
};

// The program's one generator, as its random-number commands see it.
Random& Rng() {
    static Random random;
    return random;
}

// The decimal text of an integer, written backwards into the buffer that ends at `end`;
// returns where it starts. Four digits are split off at a time and each four written as two
// pairs, so that the divisions of one number do not all wait on each other.
template <typename Unsigned, typename Signed>
char* DecimalBackwards(Signed value, char* end) {
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    Unsigned v =
        value < 0 ? Unsigned{0} - static_cast<Unsigned>(value) : static_cast<Unsigned>(value);
    char* p = end;
    while (v >= 10000) {
        const auto four = static_cast<uint32_t>(v % 10000);
        v /= 10000;
        p -= 4;
        std::memcpy(p, kPairs + 2 * (four / 100), 2);
        std::memcpy(p + 2, kPairs + 2 * (four % 100), 2);
    }
    auto rest = static_cast<uint32_t>(v);
    if (rest >= 100) {
        p -= 2;
        std::memcpy(p, kPairs + 2 * (rest % 100), 2);
        rest /= 100;
    }
    if (rest >= 10) {
        p -= 2;
        std::memcpy(p, kPairs + 2 * rest, 2);
    } else {
        *--p = static_cast<char>('0' + rest);
    }
    if (value < 0) *--p = '-';
    return p;
}

// A double as text: a whole number without a point, else the shortest form that reads back.
[[gnu::noinline]] QxAddr DoubleText(Runtime& rt, const Arg& a) {
    char buffer[64];
    char* const end = buffer + sizeof buffer;
    double d;
    const uint64_t bits = uint64_t{a.low} | (uint64_t{a.high} << 32);
    std::memcpy(&d, &bits, 8);
    if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 1e15) {
        const char* start = DecimalBackwards<uint64_t>(static_cast<int64_t>(d), end);
        return rt.memory().NewText({start, static_cast<size_t>(end - start)});
    }
    const std::to_chars_result r = std::to_chars(buffer, end, d);
    return rt.memory().NewText({buffer, static_cast<size_t>(r.ptr - buffer)});
}

// The digits of the integer last turned into text: neighbouring pixels mostly share a colour.
class IntegerDigits {
public:
    std::string_view Of(int32_t value) {
        if (value != value_) [[unlikely]] {
            start_ = DecimalBackwards<uint32_t>(value, digits_ + sizeof digits_);
            value_ = value;
        }
        return {start_, static_cast<size_t>(digits_ + sizeof digits_ - start_)};
    }

private:
    int32_t value_ = 0;
    char digits_[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, '0'};  // 11 at most
    const char* start_ = digits_ + sizeof digits_ - 1;
};

// Number to text, once per pixel in both steps: an integer (the colour value) takes the short
// way.
QxAddr NumberText(Runtime& rt, const Arg& a) {
    if (a.type != QX_ARG_DOUBLE) [[likely]] {
        static IntegerDigits last;
        return rt.memory().NewText(last.Of(static_cast<int32_t>(a.low)));
    }
    return DoubleText(rt, a);
}

uint64_t ReadFileCommand(Runtime& rt, const ArgView& args) {
    QFile file(FromProgramText(args.Text(rt.memory(), 0)));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileBytes) return 0;
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (bytes.size() > kMaxFileBytes) return 0;
    return rt.memory().NewBinary({bytes.constData(), static_cast<size_t>(bytes.size())});
}

uint64_t WriteFileCommand(Runtime& rt, const ArgView& args) {
    return WriteWholeFile(FromProgramText(args.Text(rt.memory(), 0)), args.Binary(rt.memory(), 1))
                   .isEmpty()
               ? 1
               : 0;
}

uint64_t WriteFileOrSayWhyCommand(Runtime& rt, const ArgView& args) {
    const QByteArray bytes = ToProgramText(
        SaveOrSayWhy(FromProgramText(args.Text(rt.memory(), 0)), args.Binary(rt.memory(), 1)));
    return rt.memory().NewText({bytes.constData(), static_cast<size_t>(bytes.size())});
}

uint64_t ShowMessageCommand(Runtime& rt, const ArgView& args) {
    ShowMessage(rt.window() != nullptr ? rt.window()->main_window() : nullptr,
                FromProgramText(args.Text(rt.memory(), 1)),
                FromProgramText(args.Text(rt.memory(), 0)));
    return 0;
}

// ---- The core library's own commands ----------------------------------------------------
// Each is a handler of the flat table (flat_commands.h), put in place when the runtime starts;
// letting events run is served in the slot itself.

uint64_t NumberToTextCommand(Runtime& rt, uint32_t, uint32_t, const uint32_t* block) {
    return NumberText(rt, ArgView(block).at(0));
}

uint64_t RandomIntegerCommand(Runtime&, uint32_t, uint32_t, const uint32_t* block) {
    const ArgView args(block);
    return static_cast<uint32_t>(Rng().Between(args.Int(0), args.Int(1)));
}

// The commands made a few times per run, out of the way of those made per pixel.
[[gnu::noinline]] uint64_t OtherCoreCommand(Runtime& rt, uint32_t, uint32_t command,
                                            const uint32_t* block) {
    const ArgView args(block);
    switch (command) {
        case abi::kCmdTextToNumber:
            return DoubleResult(TextToNumber(args.Text(rt.memory(), 0)));
        case abi::kCmdColorFromRgb:
            return (uint32_t(args.Int(0)) & 0xFF) | ((uint32_t(args.Int(1)) & 0xFF) << 8) |
                   ((uint32_t(args.Int(2)) & 0xFF) << 16);
        case abi::kCmdReadFile:
            return ReadFileCommand(rt, args);
        case abi::kCmdWriteFile:
            return WriteFileCommand(rt, args);
        case abi::kCmdWriteFileOrSayWhy:
            return WriteFileOrSayWhyCommand(rt, args);
        case abi::kCmdShowMessage:
            return ShowMessageCommand(rt, args);
        default:  // the history's commands
            return rt.history().Command(command, args);
    }
}

void PutCoreCommands() {
    using flat::Slot;
    Slot(abi::kLibKrnln, abi::kCmdNumberToText) = &NumberToTextCommand;
    Slot(abi::kLibKrnln, abi::kCmdRandomInteger) = &RandomIntegerCommand;
    for (const uint32_t command :
         {abi::kCmdTextToNumber, abi::kCmdColorFromRgb, abi::kCmdReadFile, abi::kCmdWriteFile,
          abi::kCmdWriteFileOrSayWhy, abi::kCmdShowMessage, abi::kCmdHistoryFollow,
          abi::kCmdHistoryNoteMapping, abi::kCmdHistoryRecord, abi::kCmdHistoryUndo,
          abi::kCmdHistoryRedo}) {
        Slot(abi::kLibKrnln, command) = &OtherCoreCommand;
    }
}

// ---- The slots ----------------------------------------------------------------------------
uint64_t CallCoreCommand(uint32_t command, const uint32_t* block) {
    Runtime* rt = R();
    if (rt == nullptr) return 0;
    // The commonest call of all, and the cheapest: served here, without a call of its own.
    if (command == abi::kCmdDoEvents) return rt->DoEvents() ? 1 : 0;
    if (command < flat::kCommandLimit) [[likely]] {
        return flat::Slot(abi::kLibKrnln, command)(*rt, abi::kLibKrnln, command, block);
    }
    return flat::ByUnitCommand(*rt, abi::kLibKrnln, command, block);
}

uint64_t CallLibraryCommand(uint32_t library, uint32_t command, const uint32_t* block) {
    Runtime* rt = R();
    if (rt == nullptr) return 0;
    if (library == abi::kLibIext && command < flat::kCommandLimit) [[likely]] {
        return flat::Slot(library, command)(*rt, library, command, block);
    }
    if (library == abi::kLibRegEx) return RegExCommand(*rt, command, ArgView(block));
    return flat::ByUnitLibraryCommand(*rt, library, command, block);
}

uint32_t ReadProperty(uint32_t window_id, uint32_t unit_id, uint32_t property, int32_t member) {
    Runtime* rt = R();
    if (rt == nullptr) return 0;
    if (property < flat::kPropertyLimit) [[likely]] {
        return flat::g_readers[property](*rt, window_id, unit_id, property, member);
    }
    return flat::ReadByUnit(*rt, window_id, unit_id, property, member);
}

void WriteProperty(uint32_t window_id, uint32_t unit_id, uint32_t property, int32_t member,
                   uint32_t low, uint32_t high) {
    Runtime* rt = R();
    if (rt == nullptr) return;
    if (property < flat::kPropertyLimit) [[likely]] {
        flat::g_writers[property](*rt, window_id, unit_id, property, member, low, high);
        return;
    }
    flat::WriteByUnit(*rt, window_id, unit_id, property, member, low, high);
}

QxAddr AllocateBlock(uint32_t size) {
    Runtime* rt = R();
    return rt != nullptr ? rt->memory().Allocate(size) : 0;
}

void FreeBlock(QxAddr block) {
    if (Runtime* rt = R()) rt->memory().Free(block);
}

void EndProgram(uint32_t) {
    if (Runtime* rt = R()) rt->EndProgram();
}

void RunMessageLoop(uint32_t) {
    if (Runtime* rt = R()) rt->RunMessageLoop();
}

void OpenStartWindow(uint32_t window_id) {
    if (Runtime* rt = R()) rt->OpenStartWindow(window_id);
}

void HostService(uint32_t service, uint32_t argument) {
    Runtime* rt = R();
    if (rt != nullptr && service == QX_HOST_SERVICE_REGISTER_SHUTDOWN) {
        rt->RegisterShutdown(argument);
    }
}

}  // namespace

double TextToNumber(std::string_view text) {
    // The leading decimal number of the text; blanks before it are skipped, anything after it
    // is ignored, and a text without one is 0.
    size_t i = 0;
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    double value = 0;
    const char* begin = text.data() + i;
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(begin, end, value, std::chars_format::fixed);
    if (r.ec != std::errc() || r.ptr == begin) return 0;
    return negative ? -value : value;
}

namespace {

// A service as the entry table holds it: the program's code calls it, so no exception may
// leave it.
template <auto kService>
struct Guarded;
template <typename Result, typename... Args, Result (*kService)(Args...)>
struct Guarded<kService> {
    static Result Call(Args... args) noexcept {
        return RunGuarded("a runtime service", [&] { return kService(args...); });
    }
    static QxServiceFn Entry() { return reinterpret_cast<QxServiceFn>(&Call); }
};

}  // namespace

void FillEntryTable(QxServiceFn* table) {
    PutCoreCommands();
    for (int i = 0; i < QX_SLOT_COUNT; ++i) table[i] = nullptr;
    table[QX_SLOT_CALL_LIBRARY_COMMAND] = Guarded<&CallLibraryCommand>::Entry();
    table[QX_SLOT_CALL_CORE_COMMAND] = Guarded<&CallCoreCommand>::Entry();
    table[QX_SLOT_READ_PROPERTY] = Guarded<&ReadProperty>::Entry();
    table[QX_SLOT_WRITE_PROPERTY] = Guarded<&WriteProperty>::Entry();
    table[QX_SLOT_ALLOCATE_BLOCK] = Guarded<&AllocateBlock>::Entry();
    table[QX_SLOT_FREE_BLOCK] = Guarded<&FreeBlock>::Entry();
    table[QX_SLOT_END_PROGRAM] = Guarded<&EndProgram>::Entry();
    table[QX_SLOT_RUN_MESSAGE_LOOP] = Guarded<&RunMessageLoop>::Entry();
    table[QX_SLOT_OPEN_START_WINDOW] = Guarded<&OpenStartWindow>::Entry();
    table[QX_SLOT_HOST_SERVICE] = Guarded<&HostService>::Entry();
}

}  // namespace quorix::host
