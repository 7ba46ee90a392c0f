#include "host/krnln/image_loading.h"

#include <array>
#include <cstring>
#include <set>

#include "image/bytes.h"
#include "image/code_section.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

constexpr ProvidedLibrary kProvided[] = {
    {"krnln", "d09f2340818511d396f6aaf844c7e325", "5"},
    {"iext", "27bb20fdd3e145e4bee3db39ddd6e64c", "2"},
    {"iext3", "{B6F7542F-B8FE-46a8-9605-98856A687097}", "3"},
    {"iext2", "AF6AD80AA4244A59AFB3D83ECF5173CC", "2"},
    {"HtmlView", "5014D8FA6DCA40b68FA626D8183666EB", "2"},
    {"RegEx", "684944CB04624eb7BD5412A519421D34", "2"},
};

using image::Error;
using image::Format;
using image::Result;

// The image once validated: what every later stage reads.
struct ValidImage {
    image::ProgramImage image;
    // The five named sections, in the order of layout::kNamedSections.
    std::array<const image::Section*, 5> sections{};
    std::array<size_t, 5> indexes{};  // of the named sections in image.sections
    form::Form form;
    std::vector<form::UnitOffsets> form_offsets;  // where each unit's fields lie in the form
    std::vector<TypeSettings> settings;           // of each unit, in unit order
};

enum NamedSection { kConst = 0, kForm = 1, kHelp = 2, kCode = 3, kVar = 4 };

// A refusal of the field at image offset `at`.
Error Refusal(uint32_t at, std::string message) {
    return Error{std::move(message), at};
}

// Image offsets: of byte `offset` of named section n's stored bytes, and of field `field` of its
// header.
uint32_t DataAt(const ValidImage& valid, NamedSection n, uint32_t offset = 0) {
    return valid.image.data_offsets[valid.indexes[n]] + offset;
}
uint32_t HeaderAt(const ValidImage& valid, NamedSection n, uint32_t field) {
    return valid.image.header_offsets[valid.indexes[n]] + field;
}

Result<void> CheckLibraries(const image::ProgramImage& img) {
    if (img.libraries.empty()) {
        return Refusal(image::layout::kLibraryTable,
                       "the image names no libraries; the core library must come first");
    }
    for (size_t i = 0; i < img.libraries.size(); ++i) {
        const image::LibraryRow& row = img.libraries[i];
        const uint32_t at = image::LibraryRowOffset(img, i);
        const ProvidedLibrary* match = nullptr;
        for (const ProvidedLibrary& p : kProvided) {
            if (row.file_name == p.file_name) match = &p;
        }
        if (match == nullptr) {
            return Refusal(at, Format("library %zu (%s) is not provided by this runtime", i,
                                      row.file_name.c_str()));
        }
        if (row.identifier != match->identifier) {
            return Refusal(
                at, Format("library %zu (%s) has identifier %s, this runtime provides %s", i,
                           row.file_name.c_str(), row.identifier.c_str(), match->identifier));
        }
        if (row.major != match->major) {
            return Refusal(
                at, Format("library %zu (%s) wants major version %s, this runtime provides %s", i,
                           row.file_name.c_str(), row.major.c_str(), match->major));
        }
        // Library numbers are positions: the commands and types of library r are served only
        // when the row names the same library this runtime has at r.
        if (std::strcmp(kProvided[i < std::size(kProvided) ? i : 0].file_name,
                        row.file_name.c_str()) != 0) {
            return Refusal(at,
                           Format("library %zu is %s, this runtime serves %s at that position", i,
                                  row.file_name.c_str(),
                                  i < std::size(kProvided) ? kProvided[i].file_name : "nothing"));
        }
    }
    return {};
}

// Every unit's type block decodes as its kind's; a damaged one is refused at the field at fault.
Result<void> DecodeSettings(ValidImage& valid) {
    for (size_t i = 0; i < valid.form.units.size(); ++i) {
        const auto* block = std::get_if<form::UnitBlock>(&valid.form.units[i]);
        if (block == nullptr) {
            valid.settings.emplace_back();
            continue;
        }
        auto settings = DecodeTypeSettings(block->type, block->type_block);
        if (!settings) {
            return Refusal(
                DataAt(valid, kForm, valid.form_offsets[i].type_block + settings.error().offset),
                Format("form section: the type block of unit 0x%08x (%s): %s", block->unit_id,
                       block->name.c_str(), settings.error().message.c_str()));
        }
        valid.settings.push_back(std::move(settings).value());
    }
    return {};
}

// Stage 1: the whole image is read and validated, its libraries are those this runtime
// provides, its entry table fits in the help section, its form reads and every unit's type
// block decodes, before anything is built from it. The reader has already checked that the
// five named sections exist.
Result<void> Validate(std::span<const uint8_t> bytes, ValidImage& valid) {
    auto parsed = image::ReadImage(bytes);
    if (!parsed) return parsed.error();
    valid.image = std::move(parsed).value();
    if (Result<void> ok = CheckLibraries(valid.image); !ok) return ok;
    for (size_t i = 0; i < valid.sections.size(); ++i) {
        const int index = image::FindSectionIndex(valid.image, image::layout::kNamedSections[i]);
        valid.indexes[i] = static_cast<size_t>(index);
        valid.sections[i] = &valid.image.sections[valid.indexes[i]];
    }
    const image::Section& help = *valid.sections[kHelp];
    if (help.memory_size < QX_SLOT_COUNT * 4) {
        return Refusal(HeaderAt(valid, kHelp, image::layout::section_field::kMemorySize),
                       Format("the help section holds %u bytes, the entry table needs %u",
                              help.memory_size, QX_SLOT_COUNT * 4));
    }
    auto form = form::ReadForm(valid.sections[kForm]->data, &valid.form_offsets);
    if (!form) {
        return Refusal(DataAt(valid, kForm, form.error().offset),
                       "form section: " + form.error().message);
    }
    valid.form = std::move(form).value();
    return DecodeSettings(valid);
}

// Stage 2: each named section gets zeroed program memory of its memory size, and its stored
// bytes are copied in.
Result<void> PlaceSections(const ValidImage& valid, ProgramMemory& memory, LoadedImage& out) {
    QxAddr* addrs[5] = {&out.const_addr, &out.form_addr, &out.help_addr, &out.code_addr,
                        &out.var_addr};
    uint32_t* sizes[5] = {&out.const_size, &out.form_size, &out.help_size, &out.code_size,
                          &out.var_size};
    for (size_t i = 0; i < valid.sections.size(); ++i) {
        const image::Section& s = *valid.sections[i];
        const uint32_t size = s.memory_size < 4 ? 4 : s.memory_size;
        const QxAddr a = memory.Allocate(size);
        if (a == 0) {
            return Refusal(HeaderAt(valid, static_cast<NamedSection>(i),
                                    image::layout::section_field::kMemorySize),
                           Format("no program memory for section %s of %u bytes", s.name.c_str(),
                                  s.memory_size));
        }
        std::memset(memory.At(a), 0, size);
        if (s.stored && !s.data.empty()) std::memcpy(memory.At(a), s.data.data(), s.data.size());
        *addrs[i] = a;
        *sizes[i] = s.memory_size;
    }
    return {};
}

// Stage 3: each code relocation adds its target's load address to its word. The stored word
// must be an offset inside the target.
Result<void> Relocate(const ValidImage& valid, ProgramMemory& memory, const LoadedImage& out) {
    const QxAddr addrs[5] = {out.const_addr, out.form_addr, out.help_addr, out.code_addr,
                             out.var_addr};
    const uint32_t sizes[5] = {out.const_size, out.form_size, out.help_size, out.code_size,
                               out.var_size};
    for (const image::Relocation& r : valid.sections[kCode]->relocations) {
        const NamedSection target = r.kind == image::RelocationKind::EntryTable ? kHelp
                                    : r.kind == image::RelocationKind::Const    ? kConst
                                    : r.kind == image::RelocationKind::Var      ? kVar
                                                                                : kCode;
        const uint32_t word = memory.Read32(out.code_addr + r.site);
        if (word >= sizes[target]) {
            return Refusal(
                DataAt(valid, kCode, r.site),
                Format("relocation at code offset 0x%x: the word 0x%x is outside the "
                       "%s section of 0x%x bytes",
                       r.site, word, image::layout::kNamedSections[target].data(), sizes[target]));
        }
        memory.Write32(out.code_addr + r.site, word + addrs[target]);
    }
    return {};
}

// The loaded code's bytes in program memory.
std::span<const uint8_t> CodeBytes(const ProgramMemory& memory, const LoadedImage& image) {
    return {memory.At(image.code_addr), image.code_size};
}

// Stage 4: the fix-up lists, read by their counts, name what their kind says. The reader has
// checked that every site's word lies inside the code's stored bytes.
Result<void> CheckFixups(const ValidImage& valid, const ProgramMemory& memory,
                         const LoadedImage& loaded) {
    using image::FixupList;
    const std::span<const uint8_t> code = CodeBytes(memory, loaded);
    std::set<uint32_t> ids = {valid.form.window_id};
    for (const form::Unit& u : valid.form.units) ids.insert(form::UnitId(u));
    const image::FixupLists& fixups = valid.image.fixups;
    const uint32_t libraries = static_cast<uint32_t>(valid.image.libraries.size());
    for (uint32_t site : fixups[FixupList::UnitIds]) {
        const uint32_t v = image::LoadU32(code.data() + site);
        if (ids.count(v) == 0) {
            return Refusal(DataAt(valid, kCode, site),
                           Format("fix-up list 1: the word 0x%08x at code offset 0x%x names no "
                                  "unit of the window",
                                  v, site));
        }
    }
    // FixupList::Unused is not checked: its sites are range-checked like every list's, but no
    // program writes a value of its kind and this runtime reads none, so there is nothing to
    // check its words against.
    for (uint32_t site : fixups[FixupList::LibraryIndexes]) {
        const uint32_t v = image::LoadU32(code.data() + site);
        if (v == 0 || v >= libraries) {
            return Refusal(DataAt(valid, kCode, site),
                           Format("fix-up list 3: library index %u at code offset 0x%x is not a "
                                  "support library of the table (1..%u)",
                                  v, site, libraries - 1));
        }
    }
    for (uint32_t site : fixups[FixupList::TypeCodes]) {
        const uint32_t v = image::LoadU32(code.data() + site);
        const abi::TypeCode type = abi::DecodeType(v);
        if (type.library == 0 || type.library > libraries || type.number == 0) {
            return Refusal(DataAt(valid, kCode, site),
                           Format("fix-up list 4: type code 0x%08x at code offset 0x%x names no "
                                  "library of the table",
                                  v, site));
        }
    }
    return {};
}

// Every handler a unit or menu entry binds is a routine record; a refusal points at the
// handler word.
Result<void> CheckBindings(const ValidImage& valid, const ProgramMemory& memory,
                           const LoadedImage& out) {
    for (size_t i = 0; i < valid.form.units.size(); ++i) {
        const form::UnitOffsets& at = valid.form_offsets[i];
        if (const auto* u = std::get_if<form::UnitBlock>(&valid.form.units[i])) {
            for (size_t k = 0; k < u->events.size(); ++k) {
                const form::EventBinding& e = u->events[k];
                if (!IsRoutineRecord(memory, out, e.handler_offset)) {
                    return Refusal(DataAt(valid, kForm, form::EventHandlerAt(at, k)),
                                   Format("unit 0x%08x binds event %d to code offset 0x%x, "
                                          "where no routine starts",
                                          u->unit_id, e.index, e.handler_offset));
                }
            }
            continue;
        }
        const auto& m = std::get<form::MenuEntry>(valid.form.units[i]);
        if (m.handler_offset != -1 &&
            !IsRoutineRecord(memory, out, static_cast<uint32_t>(m.handler_offset))) {
            return Refusal(DataAt(valid, kForm, at.handler),
                           Format("menu entry 0x%08x names code offset 0x%x, where no "
                                  "routine starts",
                                  m.unit_id, static_cast<uint32_t>(m.handler_offset)));
        }
    }
    return {};
}

// Stage 5: the code starts with a code header, and the start routine and every handler the
// window binds are routine records.
Result<void> CheckHandlers(const ValidImage& valid, const ProgramMemory& memory,
                           const LoadedImage& out) {
    if (Result<code::CodeHeader> header = code::ReadCodeHeader(CodeBytes(memory, out)); !header) {
        return Refusal(DataAt(valid, kCode, header.error().offset),
                       "code section: " + header.error().message);
    }
    if (!IsRoutineRecord(memory, out, out.entry_code_offset)) {
        return Refusal(
            image::layout::kEntryWord,
            Format("no routine starts at the entry offset 0x%x", valid.image.entry_offset));
    }
    return CheckBindings(valid, memory, out);
}

}  // namespace

std::span<const ProvidedLibrary> ProvidedLibraries() {
    return kProvided;
}

bool IsRoutineRecord(const ProgramMemory& memory, const LoadedImage& image, uint32_t offset) {
    return code::ReadRoutineRecord(CodeBytes(memory, image), offset).ok();
}

Result<void> LoadImage(std::span<const uint8_t> bytes, ProgramMemory& memory, LoadedImage& out) {
    ValidImage valid;
    Result<void> ok = Validate(bytes, valid);
    if (ok) ok = PlaceSections(valid, memory, out);
    if (ok) ok = Relocate(valid, memory, out);
    if (ok) ok = CheckFixups(valid, memory, out);
    if (ok) {
        out.entry_code_offset = valid.image.entry_offset - DataAt(valid, kCode);
        ok = CheckHandlers(valid, memory, out);
    }
    if (!ok) return ok;
    out.form = std::move(valid.form);
    out.settings = std::move(valid.settings);
    return {};
}

}  // namespace quorix::host
