// The window description as the runtime loads it: every handler names a routine, and every
// control's type block decodes, or the image is refused at the offending word.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/description/gbk.h"
#include "host/krnln/image_loading.h"
#include "host/krnln/program_memory.h"
#include "host/tests/real_image.h"
#include "image/bytes.h"
#include "image/form.h"
#include "image/program_image.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

using Bytes = std::vector<uint8_t>;

// `img` with its form section replaced by `form`, written.
Bytes WithForm(image::ProgramImage& img, const form::Form& form) {
    auto& section = img.sections[image::FindSectionIndex(img, "form")];
    section.data = std::move(form::WriteForm(form)).value();
    section.memory_size = static_cast<uint32_t>(section.data.size());
    return Write(img);
}

form::Form FormOf(const image::ProgramImage& img) {
    auto parsed = form::ReadForm(img.sections[image::FindSectionIndex(img, "form")].data);
    EXPECT_TRUE(parsed.ok());
    return parsed.ok() ? std::move(parsed).value() : form::Form{};
}

image::Result<void> Load(const Bytes& bytes) {
    ProgramMemory memory(64 << 20);
    LoadedImage loaded;
    return LoadImage(bytes, memory, loaded);
}

uint32_t WordAt(const Bytes& bytes, uint32_t offset) {
    EXPECT_LE(offset + 4, bytes.size());
    return offset + 4 <= bytes.size() ? image::LoadU32(bytes.data() + offset) : 0;
}

TEST(ImageLoading, HandlerOffsetsMustNameRoutines) {
    // A form whose event names the middle of a routine record is refused before the window
    // could call into it; the refusal points at the handler word.
    auto img = RealImage();
    form::Form form = FormOf(img);
    auto& window = std::get<form::UnitBlock>(form.units[0]);
    ASSERT_GE(window.events.size(), 1u);
    const uint32_t wrong = window.events.back().handler_offset + 2;
    window.events.back().handler_offset = wrong;
    const Bytes bytes = WithForm(img, form);
    const auto result = Load(bytes);
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error().message.find("where no routine starts"), std::string::npos)
        << result.error().message;
    EXPECT_EQ(WordAt(bytes, result.error().offset), wrong);
    EXPECT_EQ(WordAt(bytes, result.error().offset - 4),
              static_cast<uint32_t>(window.events.back().index));
}

TEST(ImageLoading, MenuHandlerOffsetsMustNameRoutines) {
    auto img = RealImage();
    form::Form form = FormOf(img);
    auto entry = std::find_if(form.units.begin(), form.units.end(), [](const form::Unit& u) {
        const auto* m = std::get_if<form::MenuEntry>(&u);
        return m != nullptr && m->handler_offset != -1;
    });
    ASSERT_NE(entry, form.units.end());
    auto& menu = std::get<form::MenuEntry>(*entry);
    menu.handler_offset += 1;
    const Bytes bytes = WithForm(img, form);
    const auto result = Load(bytes);
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error().message.find("menu entry"), std::string::npos)
        << result.error().message;
    EXPECT_EQ(WordAt(bytes, result.error().offset), static_cast<uint32_t>(menu.handler_offset));
}

// Each kind's type block, damaged in the real image, is refused when the image loads, at the
// damaged byte, never built into a control with default settings.
struct TypeBlockDamage {
    uint32_t kind;
    const char* defect;
    std::function<std::string(std::string)> apply;
    const char* reason;
    size_t at;  // of the damaged byte in the block as damaged; npos: its last byte
};

std::string WithWord(std::string block, size_t at, uint32_t value) {
    std::memcpy(block.data() + at, &value, 4);
    return block;
}

std::string Trailing(std::string block) {
    return block + 'x';
}

TEST(ImageLoading, EachKindsDamagedTypeBlockIsRefusedAtItsOffset) {
    constexpr size_t kLast = std::string::npos;
    const TypeBlockDamage damages[] = {
        {abi::kTypeWindow, "window zero word", [](auto b) { return WithWord(b, 15 * 4 + 12, 7); },
         "zero word", 15 * 4 + 12},
        {abi::kTypePushButton, "button first word", [](auto b) { return WithWord(b, 0, 2); },
         "word", 0},
        {abi::kTypeTransparentLabel, "label trailing byte", Trailing, "after its last field",
         kLast},
        {abi::kTypeRadioBox, "radio system colour", [](auto b) { return WithWord(b, 28, 0); },
         "word", 28},
        {abi::kTypeComboBox, "combo closing zero",
         [](std::string b) {
             b.back() = 1;
             return b;
         },
         "closing zero", kLast},
        {abi::kTypeEditBox, "edit font record size", [](auto b) { return WithWord(b, 66, 64); },
         "font record size", 66},
        {abi::kTypeDrawingBoard, "board colour", [](auto b) { return WithWord(b, 11 * 4, 0); },
         "word", 11 * 4},
        {abi::kTypeShapeBox, "shape box trailing byte", Trailing, "after its last field", kLast},
        {abi::kTypeSpinControl, "spin trailing byte", Trailing, "after its last field", kLast},
        {abi::kTypeProgressBar, "progress trailing byte", Trailing, "after its last field", kLast},
        {abi::kTypeBrowserBox, "browser trailing byte", Trailing, "after its last field", kLast},
        {abi::kTypeFileDialog, "file dialog trailing byte", Trailing, "after its last field",
         kLast},
        {abi::kTypeListView, "list trailing byte", Trailing, "after its last field", kLast},
        {abi::kTypePictureButton, "picture button trailing byte", Trailing, "after its last field",
         kLast},
        {abi::kTypeTabControl, "tab trailing byte", Trailing, "after its last field", kLast},
    };
    for (const TypeBlockDamage& d : damages) {
        auto img = RealImage();
        form::Form form = FormOf(img);
        auto unit = std::find_if(form.units.begin(), form.units.end(), [&](const form::Unit& u) {
            const auto* b = std::get_if<form::UnitBlock>(&u);
            return b != nullptr && b->type == d.kind && !b->type_block.empty();
        });
        ASSERT_NE(unit, form.units.end()) << d.defect << ": no unit of this kind keeps a block";
        auto& block = std::get<form::UnitBlock>(*unit);
        block.type_block = d.apply(block.type_block);
        const Bytes bytes = WithForm(img, form);
        const auto result = Load(bytes);
        ASSERT_FALSE(result.ok()) << d.defect;
        EXPECT_NE(result.error().message.find("type block of unit"), std::string::npos)
            << d.defect << ": " << result.error().message;
        EXPECT_NE(result.error().message.find(d.reason), std::string::npos)
            << d.defect << ": " << result.error().message;
        // The damaged block lies in the image once; the refusal points at its damaged byte.
        const auto damaged = image::AsBytes(block.type_block);
        const auto found = std::search(bytes.begin(), bytes.end(), damaged.begin(), damaged.end());
        ASSERT_NE(found, bytes.end()) << d.defect;
        const size_t at = d.at == kLast ? block.type_block.size() - 1 : d.at;
        EXPECT_EQ(result.error().offset, static_cast<uint32_t>(found - bytes.begin()) + at)
            << d.defect << ": " << result.error().message;
    }
}

// Each edit box of the real image is built as its settings say, decided once at load.
TEST(ImageLoading, EditBoxesAreDecodedToTheirView) {
    const auto bytes = Write(RealImage());
    ProgramMemory memory(64 << 20);
    LoadedImage loaded;
    ASSERT_TRUE(LoadImage(bytes, memory, loaded).ok());
    ASSERT_EQ(loaded.settings.size(), loaded.form.units.size());
    std::map<std::string, EditSettings> edits;
    for (size_t i = 0; i < loaded.form.units.size(); ++i) {
        if (const auto* e = std::get_if<EditSettings>(&loaded.settings[i])) {
            edits[std::get<form::UnitBlock>(loaded.form.units[i]).name] = *e;
        }
    }
    using View = EditSettings::View;
    const struct {
        const char* name;
        View view;
        bool read_only;
    } expected[] = {
        {"编辑框1", View::kCharacterPicture, false},  // the output box
        {"编辑框3", View::kPlainText, true},          // the help text
        {"替换编辑框", View::kSingleLine, false},     // no type block of its own
    };
    ASSERT_EQ(edits.size(), std::size(expected));
    for (const auto& e : expected) {
        const auto it = edits.find(app::ToGbk(e.name));
        ASSERT_NE(it, edits.end()) << e.name;
        EXPECT_EQ(it->second.view, e.view) << e.name;
        EXPECT_EQ(it->second.read_only, e.read_only) << e.name;
    }
}

}  // namespace
}  // namespace quorix::host
