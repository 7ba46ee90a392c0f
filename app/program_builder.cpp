#include "app/program_builder.h"

#include <cstring>

#include "app/gbk.h"
#include "app/window_description.h"
#include "image/bytes.h"
#include "runtime/code_format.h"

namespace quorix::app {
namespace {

using image::ByteWriter;
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

CodeSection BuildCodeSection() {
    CodeSection out;
    ByteWriter w;
    w.Zeros(code::kCodeHeaderWords * 4);

    // Routine records.
    const uint32_t routines_at = static_cast<uint32_t>(w.size());
    for (const RoutineInfo& r : kRoutines) {
        out.routine_offsets[static_cast<uint32_t>(r.id)] = static_cast<uint32_t>(w.size());
        w.U32(code::kRoutineMagic);
        w.U32(static_cast<uint32_t>(r.id));
        const uint32_t length = static_cast<uint32_t>(std::strlen(r.name));
        w.U32(length);
        w.Bytes({reinterpret_cast<const uint8_t*>(r.name), length});
    }
    while (w.size() % 4 != 0) w.U8(0);

    // Reference table: every word relocated to a program address.
    const uint32_t refs_at = static_cast<uint32_t>(w.size());
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
        const uint32_t site = static_cast<uint32_t>(w.size());
        uint32_t value = ref.offset;
        if (ref.kind == RefKind::kCode) value = out.routine_offsets.at(ref.offset);
        w.U32(value);
        out.relocations.push_back({site, static_cast<RelocationKind>(ref.kind)});
    }

    // Operand table: control triples, library indices, data types; all in the fix-up lists.
    const uint32_t operands_at = static_cast<uint32_t>(w.size());
    for (const UnitInfo& u : kUnits) {
        out.fixups.sites[0].push_back(static_cast<uint32_t>(w.size()));
        w.U32(kStartWindowId);
        out.fixups.sites[0].push_back(static_cast<uint32_t>(w.size()));
        w.U32(u.id);
        out.fixups.sites[3].push_back(static_cast<uint32_t>(w.size()));
        w.U32(u.type);
    }
    for (uint32_t library : {abi::kLibIext, abi::kLibIext3, abi::kLibHtmlView, abi::kLibRegEx}) {
        out.fixups.sites[2].push_back(static_cast<uint32_t>(w.size()));
        w.U32(library);
    }
    out.fixups.sites[3].push_back(static_cast<uint32_t>(w.size()));
    w.U32(abi::kTypeRegExObject);
    const uint32_t operand_count = (static_cast<uint32_t>(w.size()) - operands_at) / 4;

    // Service stubs, last: an indirect jump through each entry-table slot.
    const uint32_t stubs_at = static_cast<uint32_t>(w.size());
    for (uint32_t slot : code::kStubSlots) {
        w.U8(code::kStubOpcode[0]);
        w.U8(code::kStubOpcode[1]);
        out.relocations.push_back({static_cast<uint32_t>(w.size()), RelocationKind::EntryTable});
        w.U32(slot * 4);
    }

    const uint32_t header[code::kCodeHeaderWords] = {
        code::kCodeMagic,
        code::kCodeVersion,
        kRoutineCount,
        routines_at,
        static_cast<uint32_t>(Ref::kCount),
        refs_at,
        operand_count,
        operands_at,
        code::kStubCount,
        stubs_at,
    };
    for (uint32_t i = 0; i < code::kCodeHeaderWords; ++i) {
        (void)w.PatchU32(4 * i, header[i]);
    }
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
