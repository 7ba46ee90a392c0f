#include "host/krnln/image_loading.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <set>

#include "runtime/code_format.h"

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

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

bool CheckLibraries(const image::ProgramImage& img, std::string& error) {
    if (img.libraries.empty()) {
        error = "the image names no libraries; the core library must come first";
        return false;
    }
    for (size_t i = 0; i < img.libraries.size(); ++i) {
        const image::LibraryRow& row = img.libraries[i];
        const ProvidedLibrary* match = nullptr;
        for (const ProvidedLibrary& p : kProvided) {
            if (row.file_name == p.file_name) match = &p;
        }
        if (match == nullptr) {
            error = Printf("library %zu (%s) is not provided by this runtime", i,
                           row.file_name.c_str());
            return false;
        }
        if (row.identifier != match->identifier) {
            error = Printf("library %zu (%s) has identifier %s, this runtime provides %s", i,
                           row.file_name.c_str(), row.identifier.c_str(), match->identifier);
            return false;
        }
        if (row.major != match->major) {
            error = Printf("library %zu (%s) wants major version %s, this runtime provides %s", i,
                           row.file_name.c_str(), row.major.c_str(), match->major);
            return false;
        }
        // Library numbers are positions: the commands and types of library r are served only
        // when the row names the same library this runtime has at r.
        if (std::strcmp(kProvided[i < std::size(kProvided) ? i : 0].file_name,
                        row.file_name.c_str()) != 0) {
            error = Printf("library %zu is %s, this runtime serves %s at that position", i,
                           row.file_name.c_str(),
                           i < std::size(kProvided) ? kProvided[i].file_name : "nothing");
            return false;
        }
    }
    return true;
}

QxAddr Place(ProgramMemory& memory, const image::Section& s, std::string& error) {
    const uint32_t size = s.memory_size < 4 ? 4 : s.memory_size;
    const QxAddr a = memory.Allocate(size);
    if (a == 0) {
        error =
            Printf("no program memory for section %s of %u bytes", s.name.c_str(), s.memory_size);
        return 0;
    }
    std::memset(memory.At(a), 0, size);
    if (s.stored && !s.data.empty()) std::memcpy(memory.At(a), s.data.data(), s.data.size());
    return a;
}

uint32_t CodeWord(const ProgramMemory& memory, const LoadedImage& img, uint32_t offset) {
    if (uint64_t{offset} + 4 > img.code_size) return 0;
    return memory.Read32(img.code_addr + offset);
}

bool CheckFixups(const image::ProgramImage& img, const ProgramMemory& memory,
                 const LoadedImage& loaded, std::string& error) {
    std::set<uint32_t> ids = {loaded.form.window_id};
    for (const form::Unit& u : loaded.form.units) ids.insert(form::UnitId(u));
    const uint32_t libraries = static_cast<uint32_t>(img.libraries.size());
    for (uint32_t site : img.fixups.sites[0]) {
        const uint32_t v = CodeWord(memory, loaded, site);
        if (ids.count(v) == 0) {
            error = Printf(
                "fix-up list 1: the word 0x%08x at code offset 0x%x names no unit of "
                "the window",
                v, site);
            return false;
        }
    }
    for (uint32_t site : img.fixups.sites[2]) {
        const uint32_t v = CodeWord(memory, loaded, site);
        if (v == 0 || v >= libraries) {
            error = Printf(
                "fix-up list 3: library index %u at code offset 0x%x is not a "
                "support library of the table (1..%u)",
                v, site, libraries - 1);
            return false;
        }
    }
    for (uint32_t site : img.fixups.sites[3]) {
        const uint32_t v = CodeWord(memory, loaded, site);
        const uint32_t library_number = v >> 16;
        if (library_number == 0 || library_number > libraries || (v & 0xFFFF) == 0) {
            error = Printf(
                "fix-up list 4: type code 0x%08x at code offset 0x%x names no "
                "library of the table",
                v, site);
            return false;
        }
    }
    return true;
}

}  // namespace

std::span<const ProvidedLibrary> ProvidedLibraries() {
    return kProvided;
}

bool IsRoutineRecord(const ProgramMemory& memory, const LoadedImage& image, uint32_t offset) {
    if (uint64_t{offset} + 12 > image.code_size) return false;
    if (memory.Read32(image.code_addr + offset) != code::kRoutineMagic) return false;
    const uint32_t name_length = memory.Read32(image.code_addr + offset + 8);
    return name_length <= code::kMaxRoutineName &&
           uint64_t{offset} + 12 + name_length <= image.code_size;
}

bool LoadImage(std::span<const uint8_t> bytes, ProgramMemory& memory, LoadedImage& out,
               std::string& error) {
    // 1. Validate the whole image before anything is built from it.
    auto parsed = image::ReadImage(bytes);
    if (!parsed) {
        error =
            Printf("%s (image offset 0x%x)", parsed.error().message.c_str(), parsed.error().offset);
        return false;
    }
    const image::ProgramImage& img = *parsed;
    if (!CheckLibraries(img, error)) return false;
    const image::Section* sections[5];
    const char* names[5] = {"const", "form", "help", "code", "var"};
    for (int i = 0; i < 5; ++i) {
        sections[i] = image::FindSection(img, names[i]);
        if (sections[i] == nullptr) {
            error = Printf("the image has no %s section", names[i]);
            return false;
        }
    }
    const image::Section& help = *sections[2];
    if (help.memory_size < QX_SLOT_COUNT * 4) {
        error = Printf("the help section holds %u bytes, the entry table needs %u",
                       help.memory_size, QX_SLOT_COUNT * 4);
        return false;
    }
    auto form = form::ReadForm(sections[1]->data);
    if (!form) {
        error = Printf("form section: %s (offset 0x%x)", form.error().message.c_str(),
                       form.error().offset);
        return false;
    }
    out.form = std::move(form).value();

    // 2. Place the sections in program memory.
    QxAddr* addrs[5] = {&out.const_addr, &out.form_addr, &out.help_addr, &out.code_addr,
                        &out.var_addr};
    uint32_t* sizes[5] = {&out.const_size, &out.form_size, &out.help_size, &out.code_size,
                          &out.var_size};
    for (int i = 0; i < 5; ++i) {
        *addrs[i] = Place(memory, *sections[i], error);
        if (*addrs[i] == 0) return false;
        *sizes[i] = sections[i]->memory_size;
    }

    // 3. Apply the code relocations: each adds its target's load address to its word. The
    // stored word must be an offset inside the target.
    const image::Section& code = *sections[3];
    for (const image::Relocation& r : code.relocations) {
        const int target = r.kind == image::RelocationKind::EntryTable ? 2
                           : r.kind == image::RelocationKind::Const    ? 0
                           : r.kind == image::RelocationKind::Var      ? 4
                                                                       : 3;
        const uint32_t word = memory.Read32(out.code_addr + r.site);
        if (word >= *sizes[target]) {
            error = Printf(
                "relocation at code offset 0x%x: the word 0x%x is outside the %s "
                "section of 0x%x bytes",
                r.site, word, names[target], *sizes[target]);
            return false;
        }
        memory.Write32(out.code_addr + r.site, word + *addrs[target]);
    }

    // 4. The fix-up lists, read by their counts, must name what their kind says.
    if (!CheckFixups(img, memory, out, error)) return false;

    // 5. The start routine and every handler the window binds must be routine records.
    const uint32_t code_data = img.data_offsets[image::FindSectionIndex(img, "code")];
    out.entry_code_offset = img.entry_offset - code_data;
    if (memory.Read32(out.code_addr) != code::kCodeMagic) {
        error = "the code section does not start with a code header this runtime understands";
        return false;
    }
    if (!IsRoutineRecord(memory, out, out.entry_code_offset)) {
        error = Printf("no routine starts at the entry offset 0x%x", img.entry_offset);
        return false;
    }
    for (const form::Unit& unit : out.form.units) {
        if (const auto* u = std::get_if<form::UnitBlock>(&unit)) {
            for (const form::EventBinding& e : u->events) {
                if (!IsRoutineRecord(memory, out, e.handler_offset)) {
                    error = Printf(
                        "unit 0x%08x binds event %d to code offset 0x%x, where no "
                        "routine starts",
                        u->unit_id, e.index, e.handler_offset);
                    return false;
                }
            }
        } else {
            const auto& m = std::get<form::MenuEntry>(unit);
            if (m.handler_offset != -1 &&
                !IsRoutineRecord(memory, out, static_cast<uint32_t>(m.handler_offset))) {
                error = Printf(
                    "menu entry 0x%08x names code offset 0x%x, where no routine "
                    "starts",
                    m.unit_id, static_cast<uint32_t>(m.handler_offset));
                return false;
            }
        }
    }
    return true;
}

}  // namespace quorix::host
