// The runtime's start: the program's real image loads, with every relocation applied; an
// image that is damaged, or that asks for what this runtime does not provide, is refused with
// its own reason.
#include "host/krnln/image_loading.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "app/description/gbk.h"
#include "app/description/program_builder.h"
#include "image/bytes.h"
#include "image/code_section.h"
#include "image/form.h"
#include "image/program_image.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

using app::Ref;

image::ProgramImage RealImage() {
    auto img = app::BuildProgramImage();
    EXPECT_TRUE(img.ok());
    return std::move(img).value();
}

std::vector<uint8_t> Write(image::ProgramImage img) {
    auto bytes = image::WriteImage(img);
    EXPECT_TRUE(bytes.ok()) << (bytes.ok() ? "" : bytes.error().message);
    return bytes.ok() ? std::move(bytes).value() : std::vector<uint8_t>{};
}

code::CodeHeader HeaderOf(const image::ProgramImage& img) {
    auto header = code::ReadCodeHeader(image::FindSection(img, "code")->data);
    EXPECT_TRUE(header.ok()) << header.error().message;
    return header.ok() ? *header : code::CodeHeader{};
}

void PutCodeWord(image::ProgramImage& img, uint32_t offset, uint32_t value) {
    auto& code = img.sections[image::FindSectionIndex(img, "code")].data;
    std::memcpy(code.data() + offset, &value, 4);
}

TEST(ImageLoading, RealImageLoadsWithEveryRelocationApplied) {
    const auto img = RealImage();
    const auto bytes = Write(img);
    ProgramMemory memory(64 << 20);
    LoadedImage loaded;
    const auto result = LoadImage(bytes, memory, loaded);
    ASSERT_TRUE(result.ok()) << result.error().message;

    // The var section is zero, the help section 52 zero bytes, const as stored.
    for (uint32_t i = 0; i < loaded.var_size; ++i) EXPECT_EQ(memory.At(loaded.var_addr)[i], 0);
    EXPECT_EQ(memory.Text(loaded.const_addr + app::konst::kStop).size(), 4u);  // GBK "停止"
    EXPECT_EQ(memory.Text(loaded.const_addr + app::konst::kProductName), "Quorix");

    // Reference words now hold program addresses of their targets.
    const uint32_t refs = HeaderOf(img).reference_offset;
    auto ref = [&](Ref r) {
        return memory.Read32(loaded.code_addr + refs + 4 * static_cast<uint32_t>(r));
    };
    EXPECT_EQ(ref(Ref::EmptyText), loaded.const_addr);
    EXPECT_EQ(ref(Ref::StartPage), loaded.const_addr + app::konst::kStartPage);
    EXPECT_EQ(ref(Ref::StopRequest), loaded.var_addr + app::var::kStopRequest);
    EXPECT_EQ(ref(Ref::PenStartY), loaded.var_addr + app::var::kPenStartY);
    EXPECT_TRUE(IsRoutineRecord(memory, loaded, ref(Ref::ShutDownRoutine) - loaded.code_addr));

    // Each service stub jumps through its slot of the entry table.
    const uint32_t stubs = HeaderOf(img).stub_offset;
    for (uint32_t i = 0; i < code::kStubCount; ++i) {
        EXPECT_EQ(memory.Read32(loaded.code_addr + stubs + i * code::kStubSize + code::kStubWord),
                  loaded.help_addr + 4 * code::kStubSlots[i]);
    }
    EXPECT_TRUE(IsRoutineRecord(memory, loaded, loaded.entry_code_offset));
    EXPECT_EQ(loaded.form.window_id, app::kStartWindowId);
    EXPECT_EQ(loaded.form.units.size(), app::kUnitCount);
}

// The image offset of byte `offset` of the code's stored bytes, in an image as written.
uint32_t CodeAt(const image::ProgramImage& i, uint32_t offset) {
    return i.data_offsets[image::FindSectionIndex(i, "code")] + offset;
}

// The image offset of the library table's row whose file name is `file_name`, found in the
// written bytes.
uint32_t RowOf(const std::vector<uint8_t>& bytes, const std::string& file_name) {
    const std::string field = file_name + '\r';
    const auto at = std::search(bytes.begin() + image::layout::kLibraryTable, bytes.end(),
                                field.begin(), field.end());
    EXPECT_NE(at, bytes.end()) << file_name;
    return static_cast<uint32_t>(at - bytes.begin());
}

using Bytes = std::vector<uint8_t>;
using image::FixupList;

struct Damage {
    const char* defect;
    std::function<void(image::ProgramImage&)> apply;
    const char* reason;  // a distinctive part of the message
    // Where the refusal points: the offset of the field at fault in the damaged image, as
    // written (so with its section offsets filled in).
    std::function<uint32_t(const image::ProgramImage&, const Bytes&)> offset;
};

TEST(ImageLoading, EachDamageIsRefusedWithItsOwnReasonAtItsOffset) {
    const Damage damages[] = {
        {"library identifier changed",
         [](image::ProgramImage& i) { i.libraries[1].identifier = "0000"; }, "has identifier",
         [](const image::ProgramImage&, const Bytes& b) { return RowOf(b, "iext"); }},
        {"library not provided",
         [](image::ProgramImage& i) { i.libraries[3].file_name = "unknown"; }, "not provided",
         [](const image::ProgramImage&, const Bytes& b) { return RowOf(b, "unknown"); }},
        {"libraries out of order",
         [](image::ProgramImage& i) { std::swap(i.libraries[1], i.libraries[2]); },
         "serves iext at that position",
         [](const image::ProgramImage&, const Bytes& b) { return RowOf(b, "iext3"); }},
        {"major version differs", [](image::ProgramImage& i) { i.libraries[5].major = "9"; },
         "major version",
         [](const image::ProgramImage&, const Bytes& b) { return RowOf(b, "RegEx"); }},
        {"relocated word outside its target",
         [](image::ProgramImage& i) { PutCodeWord(i, HeaderOf(i).reference_offset, 500); },
         "outside the const section",
         [](const image::ProgramImage& i, const Bytes&) {
             return CodeAt(i, HeaderOf(i).reference_offset);
         }},
        {"stub word outside the entry table",
         [](image::ProgramImage& i) {
             PutCodeWord(i, HeaderOf(i).stub_offset + code::kStubWord, 52);
         },
         "outside the help section",
         [](const image::ProgramImage& i, const Bytes&) {
             return CodeAt(i, HeaderOf(i).stub_offset + code::kStubWord);
         }},
        {"unit ID that names no unit",
         [](image::ProgramImage& i) {
             PutCodeWord(i, i.fixups[FixupList::UnitIds][3], 0x16019999);
         },
         "names no unit",
         [](const image::ProgramImage& i, const Bytes&) {
             return CodeAt(i, i.fixups[FixupList::UnitIds][3]);
         }},
        {"library index past the table",
         [](image::ProgramImage& i) { PutCodeWord(i, i.fixups[FixupList::LibraryIndexes][0], 6); },
         "not a support library",
         [](const image::ProgramImage& i, const Bytes&) {
             return CodeAt(i, i.fixups[FixupList::LibraryIndexes][0]);
         }},
        {"type code of no library",
         [](image::ProgramImage& i) {
             PutCodeWord(i, i.fixups[FixupList::TypeCodes][0], QX_TYPE(9, 1));
         },
         "names no library",
         [](const image::ProgramImage& i, const Bytes&) {
             return CodeAt(i, i.fixups[FixupList::TypeCodes][0]);
         }},
        {"type code of type 0",
         [](image::ProgramImage& i) {
             PutCodeWord(i, i.fixups[FixupList::TypeCodes][0], QX_TYPE(1, 0));
         },
         "names no library",
         [](const image::ProgramImage& i, const Bytes&) {
             return CodeAt(i, i.fixups[FixupList::TypeCodes][0]);
         }},
        {"code header magic damaged", [](image::ProgramImage& i) { PutCodeWord(i, 0, 0x12345678); },
         "are not this runtime's",
         [](const image::ProgramImage& i, const Bytes&) { return CodeAt(i, 0); }},
        {"entry offset not at a routine", [](image::ProgramImage& i) { i.entry_offset += 1; },
         "no routine starts at the entry",
         [](const image::ProgramImage&, const Bytes&) { return image::layout::kEntryWord; }},
        {"help section too small for the entry table",
         [](image::ProgramImage& i) {
             auto& h = i.sections[image::FindSectionIndex(i, "help")];
             h.data.resize(40);
             h.memory_size = 40;
         },
         "entry table needs",
         [](const image::ProgramImage& i, const Bytes&) {
             return i.header_offsets[image::FindSectionIndex(i, "help")] +
                    image::layout::section_field::kMemorySize;
         }},
    };
    for (const Damage& d : damages) {
        auto img = RealImage();
        d.apply(img);
        auto bytes = image::WriteImage(img);
        ASSERT_TRUE(bytes.ok()) << d.defect << ": " << bytes.error().message;
        ProgramMemory memory(64 << 20);
        LoadedImage loaded;
        const auto result = LoadImage(*bytes, memory, loaded);
        ASSERT_FALSE(result.ok()) << d.defect;
        EXPECT_NE(result.error().message.find(d.reason), std::string::npos)
            << d.defect << ": " << result.error().message;
        EXPECT_EQ(result.error().offset, d.offset(img, *bytes)) << d.defect;
    }
}

TEST(ImageLoading, TruncatedOrGarbageImagesAreRefusedWithoutReadingPastThem) {
    const auto bytes = Write(RealImage());
    for (size_t length :
         {size_t{0}, size_t{3}, size_t{87}, size_t{0x1C9}, bytes.size() / 2, bytes.size() - 1}) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(length));
        ProgramMemory memory(64 << 20);
        LoadedImage loaded;
        const auto result = LoadImage(cut, memory, loaded);
        ASSERT_FALSE(result.ok()) << length;
        EXPECT_FALSE(result.error().message.empty());
        EXPECT_LE(result.error().offset, length) << result.error().message;
    }
}

// The real image with its form section replaced by `form`, written; img's section offsets are
// filled in.
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
