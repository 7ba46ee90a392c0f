#include "host/krnln/program_texts.h"

#include <array>
#include <mutex>

#include "host/krnln/text_codec.h"

namespace quorix::host {
namespace {

// Texts shorter than this convert faster than they are looked up.
constexpr size_t kWorthRemembering = size_t{1} << 20;

// The last texts handed to the program, newest first, with their length in bytes there.
struct Remembered {
    QString text;
    size_t bytes = 0;
};

struct Memory {
    std::mutex lock;
    std::array<Remembered, 2> texts;
};

Memory& Remembering() {
    static Memory memory;
    return memory;
}

}  // namespace

QxAddr NewProgramText(ProgramMemory& memory, const QString& text) {
    const size_t length = ProgramTextLength(text);
    if (length >= 0xFFFFFFF0u) return 0;
    const QxAddr a = memory.Allocate(static_cast<uint32_t>(length + 1));
    if (a == 0) return 0;
    char* out = reinterpret_cast<char*>(memory.At(a));
    WriteProgramText(text, out, length);
    out[length] = 0;
    if (length >= kWorthRemembering) {
        Memory& m = Remembering();
        const std::lock_guard hold(m.lock);
        m.texts[1] = std::move(m.texts[0]);
        m.texts[0] = {text, length};
    }
    return a;
}

QString TextFromProgram(std::string_view bytes) {
    if (bytes.size() >= kWorthRemembering) {
        Memory& m = Remembering();
        const std::lock_guard hold(m.lock);
        for (const Remembered& r : m.texts) {
            if (r.bytes == bytes.size() && ConvertsBackTo(bytes, r.text)) return r.text;
        }
    }
    return FromProgramText(bytes);
}

void ForgetProgramTexts() {
    Memory& m = Remembering();
    const std::lock_guard hold(m.lock);
    for (Remembered& r : m.texts) r = {};
}

}  // namespace quorix::host
