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
#include "host/tests/real_image.h"
#include "image/bytes.h"
#include "image/code_section.h"
#include "image/form.h"
#include "image/program_image.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

using app::Ref;

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

}  // namespace
}  // namespace quorix::host
