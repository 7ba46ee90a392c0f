#include "app/description/program_builder.h"

#include <cstring>

#include "app/description/gbk.h"
#include "app/description/window_description.h"
#include "image/bytes.h"
#include "image/code_section.h"

namespace quorix::app {
namespace {

using image::ByteWriter;
using image::FixupList;
using image::Relocation;
using image::RelocationKind;

std::vector<image::LibraryRow> Libraries() {
    return {
        {"krnln", "d09f2340818511d396f6aaf844c7e325", "5", "0", ToGbk("系统核心支持库")},
        {"iext", "27bb20fdd3e145e4bee3db39ddd6e64c", "2", "0", ToGbk("扩展界面支持库一")},
        {"iext3", "{B6F7542F-B8FE-46a8-9605-98856A687097}", "3", "0", ToGbk("扩展界面支持库三")},
        {"iext2", "AF6AD80AA4244A59AFB3D83ECF5173CC", "2", "0", ToGbk("扩展界面支持库二")},
        {"HtmlView", "5014D8FA6DCA40b68FA626D8183666EB", "2", "0", ToGbk("超文本浏览框支持库")},
        {"RegEx", "684944CB04624eb7BD5412A519421D34", "2", "0", ToGbk("正则表达式支持库")},
    };
}

void PutText(std::vector<uint8_t>& data, uint32_t offset, const std::string& bytes) {
    std::memcpy(data.data() + offset, bytes.data(), bytes.size());
    data[offset + bytes.size()] = 0;
}

void PutDouble(std::vector<uint8_t>& data, uint32_t offset, double value) {
    std::memcpy(data.data() + offset, &value, 8);
}

}  // namespace

std::vector<uint8_t> BuildConstSection() {
    std::vector<uint8_t> c(konst::kSize, 0);
    PutDouble(c, konst::kOne, 1.0);
    PutDouble(c, konst::kTolerance, 1e-7);
    PutText(c, konst::kTextOne, "1");
    PutText(c, konst::kStartPage, konst::kStartPageAddress);
    PutText(c, konst::kStop, ToGbk("停止"));
    PutText(c, konst::kDash, "-");
    PutText(c, konst::kLineBreak, "\r\n");
    PutText(c, konst::kSaveTitle, ToGbk("请输入欲保存到的图片文件名："));
    c[konst::kEmptyBinary] = 1;
    PutText(c, konst::kProductName, "Quorix");
    PutDouble(c, konst::kSixty, 60.0);
    return c;
}

namespace {

uint32_t Here(const ByteWriter& w) {
    return static_cast<uint32_t>(w.size());
}

// The reference table: every word relocated to a program address.
void WriteReferences(ByteWriter& w, CodeSection& out) {
    struct RefDef {
        RefKind kind;
        uint32_t offset;
    };
    static constexpr RefDef kRefs[] = {
#define QUORIX_REF_DEF(name, kind, offset) {kind, offset},
        QUORIX_REFERENCES(QUORIX_REF_DEF)
#undef QUORIX_REF_DEF
    };
    for (const RefDef& ref : kRefs) {
        const uint32_t site = Here(w);
        uint32_t value = ref.offset;
        if (ref.kind == RefKind::kCode) value = out.routine_offsets.at(ref.offset);
        w.U32(value);
        out.relocations.push_back({site, static_cast<RelocationKind>(ref.kind)});
    }
}

// The operand table: control triples, library indices, data types; all in the fix-up lists.
void WriteOperands(ByteWriter& w, CodeSection& out) {
    const auto listed = [&](FixupList list, uint32_t value) {
        out.fixups[list].push_back(Here(w));
        w.U32(value);
    };
    for (const UnitInfo& u : kUnits) {
        listed(FixupList::UnitIds, kStartWindowId);
        listed(FixupList::UnitIds, u.id);
        listed(FixupList::TypeCodes, u.type);
    }
    for (uint32_t library : {abi::kLibIext, abi::kLibIext3, abi::kLibHtmlView, abi::kLibRegEx}) {
        listed(FixupList::LibraryIndexes, library);
    }
    listed(FixupList::TypeCodes, abi::kTypeRegExObject);
}

}  // namespace

CodeSection BuildCodeSection() {
    CodeSection out;
    ByteWriter w;
    w.Zeros(code::kCodeHeaderWords * 4);
    code::CodeHeader header;

    header.routine_count = kRoutineCount;
    header.routine_offset = Here(w);
    for (const RoutineInfo& r : kRoutines) {
        out.routine_offsets[static_cast<uint32_t>(r.id)] = Here(w);
        code::WriteRoutineRecord(w, static_cast<uint32_t>(r.id), r.name);
    }
    while (w.size() % 4 != 0) w.U8(0);

    header.reference_count = static_cast<uint32_t>(Ref::kCount);
    header.reference_offset = Here(w);
    WriteReferences(w, out);

    header.operand_offset = Here(w);
    WriteOperands(w, out);
    header.operand_count = (Here(w) - header.operand_offset) / 4;

    // Service stubs, last: an indirect jump through each entry-table slot.
    header.stub_count = code::kStubCount;
    header.stub_offset = Here(w);
    for (uint32_t slot : code::kStubSlots) {
        out.relocations.push_back({code::WriteStub(w, slot * 4), RelocationKind::EntryTable});
    }

    // The header's words were written as zeros first, so the patch always lands.
    (void)code::PatchCodeHeader(w, header);
    out.bytes = std::move(w).Take();
    return out;
}

image::Result<image::ProgramImage> BuildProgramImage() {
    CodeSection code = BuildCodeSection();
    auto form = WriteStartWindow(code.routine_offsets);
    if (!form) return form.error();

    image::ProgramImage img;
    img.libraries = Libraries();
    auto section = [](std::string name, uint32_t flags, std::vector<uint8_t> data) {
        image::Section s;
        s.name = std::move(name);
        s.flags = flags;
        s.memory_size = static_cast<uint32_t>(data.size());
        s.data = std::move(data);
        return s;
    };
    img.sections.push_back(section("const", 1, BuildConstSection()));
    img.sections.push_back(section("form", 1, std::move(form).value()));
    img.sections.push_back(section("help", 1, std::vector<uint8_t>(kHelpSize, 0)));
    image::Section code_section = section("code", 5, std::move(code.bytes));
    code_section.relocations = std::move(code.relocations);
    img.sections.push_back(std::move(code_section));
    image::Section var_section;
    var_section.name = "var";
    var_section.flags = 0x13;
    var_section.memory_size = var::kSize;
    var_section.stored = false;
    img.sections.push_back(std::move(var_section));
    img.fixups = std::move(code.fixups);

    // The entry offset counts from the image start, so the code data must be placed first.
    if (auto laid = image::LayOutImage(img); !laid) return laid.error();
    const int code_index = image::FindSectionIndex(img, "code");
    img.entry_offset = img.data_offsets[code_index] +
                       code.routine_offsets.at(static_cast<uint32_t>(Routine::StartProgram));
    return img;
}

}  // namespace quorix::app
