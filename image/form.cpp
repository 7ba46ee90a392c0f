#include "image/form.h"

#include "image/bytes.h"

namespace quorix::form {
namespace {

using image::AsBytes;
using image::AsString;
using image::ByteReader;
using image::ByteWriter;
using image::Error;
using image::Result;

constexpr uint32_t kHeaderSize = 36;
constexpr uint32_t kMaxUnits = 4096;
constexpr uint32_t kMaxChildren = 4096;
constexpr uint32_t kMaxEvents = 256;

// Reserved fields hold zeros; anything else is not a form this reader knows how to keep.
Result<void> Zeros(ByteReader& r, size_t count, const char* what) {
    const size_t at = r.offset();
    auto bytes = r.ReadBytes(count, what);
    if (!bytes) return bytes.error();
    for (size_t i = 0; i < count; ++i) {
        if ((*bytes)[i] != 0) {
            return r.FieldError(at + i, "%s at 0x%zx: byte %zu is 0x%02x, not zero", what, at, i,
                                (*bytes)[i]);
        }
    }
    return {};
}

void WriteUnitBlock(ByteWriter& w, const UnitBlock& u) {
    ByteWriter body;
    body.U32(u.type);
    body.Zeros(20);
    body.Text(u.name);
    body.Text(u.remark);
    body.U32(0);
    body.I32(u.left);
    body.I32(u.top);
    body.I32(u.width);
    body.I32(u.height);
    body.U32(0);
    body.U32(u.parent);
    body.U32(static_cast<uint32_t>(u.children.size()));
    for (uint32_t c : u.children) body.U32(c);
    body.U32(static_cast<uint32_t>(u.cursor.size()));
    body.Bytes(AsBytes(u.cursor));
    body.U32(0);
    body.Text(u.tag);
    body.U32(u.flags);
    body.U32(0);
    body.U32(static_cast<uint32_t>(u.events.size()));
    for (const EventBinding& e : u.events) {
        body.I32(e.index);
        body.U32(e.handler_offset);
    }
    body.Zeros(20);
    body.Bytes(AsBytes(u.type_block));
    w.U32(static_cast<uint32_t>(body.size()));
    w.Bytes(body.bytes());
}

void WriteMenuEntry(ByteWriter& w, const MenuEntry& m) {
    ByteWriter body;
    body.U32(kMenuEntryType);
    body.Zeros(20);
    body.Text("");
    body.Text("");
    body.U32(0);
    body.U32(m.level);
    body.U32(m.opens_submenu ? 1 : 0);
    body.Text(m.caption);
    body.I32(m.handler_offset);
    body.Zeros(16);
    w.U32(static_cast<uint32_t>(body.size()));
    w.Bytes(body.bytes());
}

Result<UnitBlock> ReadUnitBlock(ByteReader& r, uint32_t type, size_t block_end, UnitOffsets& at) {
    UnitBlock u;
    u.type = type;
    QUORIX_TRY(Zeros(r, 20, "reserved words"));
    QUORIX_TRY_VALUE(name, r.ReadCString("unit name"));
    QUORIX_TRY_VALUE(remark, r.ReadCString("unit remark"));
    u.name = AsString(name);
    u.remark = AsString(remark);
    QUORIX_TRY(Zeros(r, 4, "reserved word"));
    QUORIX_TRY_VALUE(left, r.ReadI32("left"));
    QUORIX_TRY_VALUE(top, r.ReadI32("top"));
    QUORIX_TRY_VALUE(width, r.ReadI32("width"));
    QUORIX_TRY_VALUE(height, r.ReadI32("height"));
    u.left = left;
    u.top = top;
    u.width = width;
    u.height = height;
    QUORIX_TRY(Zeros(r, 4, "reserved word"));
    QUORIX_TRY_VALUE(parent, r.ReadU32("parent unit ID"));
    u.parent = parent;
    QUORIX_TRY_VALUE(child_count, r.ReadCount("child count"));
    if (child_count.value > kMaxChildren) {
        return r.FieldError(child_count.offset, "child count %llu is more than %u",
                            static_cast<unsigned long long>(child_count.value), kMaxChildren);
    }
    QUORIX_TRY_VALUE(children, r.ReadU32Array(child_count));
    u.children = std::move(children);
    QUORIX_TRY_VALUE(cursor_length, r.ReadCount("cursor block length"));
    QUORIX_TRY_VALUE(cursor, r.ReadArray(cursor_length, 1));
    u.cursor = AsString(cursor);
    QUORIX_TRY(Zeros(r, 4, "reserved word"));
    QUORIX_TRY_VALUE(tag, r.ReadCString("tag"));
    u.tag = AsString(tag);
    QUORIX_TRY_VALUE(flags, r.ReadU32("flags"));
    u.flags = flags;
    QUORIX_TRY(Zeros(r, 4, "reserved word"));
    QUORIX_TRY_VALUE(event_count, r.ReadCount("event count"));
    const size_t events_at = event_count.offset;
    if (event_count.value > kMaxEvents) {
        return r.FieldError(events_at, "event count %llu is more than %u",
                            static_cast<unsigned long long>(event_count.value), kMaxEvents);
    }
    at.events = static_cast<uint32_t>(r.offset());
    QUORIX_TRY_VALUE(events, r.ReadArray(event_count, 8));
    for (size_t i = 0; i < event_count.value; ++i) {
        u.events.push_back(
            {image::LoadI32(events.data() + 8 * i), image::LoadU32(events.data() + 8 * i + 4)});
    }
    QUORIX_TRY(Zeros(r, 20, "reserved words"));
    if (r.offset() > block_end) {
        return r.FieldError(events_at, "unit block of %s runs past its stated length",
                            u.name.c_str());
    }
    at.type_block = static_cast<uint32_t>(r.offset());
    QUORIX_TRY_VALUE(type_block, r.ReadBytes(block_end - r.offset(), "type block"));
    u.type_block = AsString(type_block);
    return u;
}

Result<MenuEntry> ReadMenuEntry(ByteReader& r, size_t block_end, UnitOffsets& at) {
    MenuEntry m;
    QUORIX_TRY(Zeros(r, 20, "reserved words"));
    const size_t name_at = r.offset();
    QUORIX_TRY_VALUE(name, r.ReadCString("menu entry name"));
    QUORIX_TRY_VALUE(remark, r.ReadCString("menu entry remark"));
    if (!name.empty() || !remark.empty()) {
        return r.FieldError(name_at, "a menu entry has no name or remark of its own");
    }
    QUORIX_TRY(Zeros(r, 4, "reserved word"));
    QUORIX_TRY_VALUE(level, r.ReadU32("menu level"));
    const size_t submenu_at = r.offset();
    QUORIX_TRY_VALUE(submenu, r.ReadU32("menu submenu flag"));
    if (submenu > 1) {
        return r.FieldError(submenu_at, "menu submenu flag is %u, not 0 or 1", submenu);
    }
    QUORIX_TRY_VALUE(caption, r.ReadCString("menu caption"));
    at.handler = static_cast<uint32_t>(r.offset());
    QUORIX_TRY_VALUE(handler, r.ReadI32("menu handler offset"));
    QUORIX_TRY(Zeros(r, 16, "reserved words"));
    if (r.offset() != block_end) {
        return r.FieldError(r.offset(), "menu entry block ends at 0x%zx, its length says 0x%zx",
                            r.offset(), block_end);
    }
    m.level = level;
    m.opens_submenu = submenu != 0;
    m.caption = AsString(caption);
    m.handler_offset = handler;
    return m;
}

// The fixed header: its words into `form`; returns the unit count, checked against the
// limit and the section's size.
Result<image::Count> ReadHeader(ByteReader& r, Form& form) {
    QUORIX_TRY_VALUE(header_word, r.ReadU32("form header word"));
    QUORIX_TRY_VALUE(window_id, r.ReadU32("window ID"));
    QUORIX_TRY_VALUE(w8, r.ReadU32("form word 8"));
    QUORIX_TRY_VALUE(w12, r.ReadU32("form word 12"));
    QUORIX_TRY_VALUE(w16, r.ReadU32("form word 16"));
    QUORIX_TRY(Zeros(r, 8, "form zero words"));
    form.header_word = header_word;
    form.window_id = window_id;
    form.word_8 = w8;
    form.word_12 = w12;
    form.word_16 = w16;
    QUORIX_TRY_VALUE(unit_count, r.ReadCount("unit count"));
    if (unit_count.value > kMaxUnits) {
        return r.FieldError(unit_count.offset, "unit count %llu is more than %u",
                            static_cast<unsigned long long>(unit_count.value), kMaxUnits);
    }
    QUORIX_TRY_VALUE(rest, r.ReadU32("length of the rest of the form"));
    if (uint64_t{rest} + kHeaderSize != r.size()) {
        return r.FieldError(32, "the form states 0x%x bytes after its header, it holds 0x%zx", rest,
                            r.size() - kHeaderSize);
    }
    return unit_count;
}

// One unit's block, from its length word to its end; the cursor is left at the end.
Result<Unit> ReadUnit(ByteReader& r, UnitOffsets& at) {
    const size_t length_at = r.offset();
    QUORIX_TRY_VALUE(length, r.ReadU32("unit block length"));
    if (length > r.remaining()) {
        return r.FieldError(length_at, "unit block length 0x%x runs past the end of the form",
                            length);
    }
    const size_t block_end = r.offset() + length;
    QUORIX_TRY_VALUE(type, r.ReadU32("unit type"));
    if (type == kMenuEntryType) {
        QUORIX_TRY_VALUE(m, ReadMenuEntry(r, block_end, at));
        return Unit(std::move(m));
    }
    QUORIX_TRY_VALUE(u, ReadUnitBlock(r, type, block_end, at));
    return Unit(std::move(u));
}

}  // namespace

uint32_t UnitId(const Unit& unit) {
    return std::visit([](const auto& u) { return u.unit_id; }, unit);
}

Result<std::vector<uint8_t>> WriteForm(const Form& form) {
    ByteWriter blocks;
    std::vector<uint32_t> offsets;
    for (const Unit& unit : form.units) {
        offsets.push_back(static_cast<uint32_t>(blocks.size()));
        if (const auto* u = std::get_if<UnitBlock>(&unit)) {
            WriteUnitBlock(blocks, *u);
        } else {
            WriteMenuEntry(blocks, std::get<MenuEntry>(unit));
        }
    }
    const uint32_t n = static_cast<uint32_t>(form.units.size());
    ByteWriter w;
    w.U32(form.header_word);
    w.U32(form.window_id);
    w.U32(form.word_8);
    w.U32(form.word_12);
    w.U32(form.word_16);
    w.U32(0);
    w.U32(0);
    w.U32(n);
    w.U32(static_cast<uint32_t>(8 * n + blocks.size()));
    for (const Unit& unit : form.units) w.U32(UnitId(unit));
    for (uint32_t off : offsets) w.U32(off);
    w.Bytes(blocks.bytes());
    return std::move(w).Take();
}

Result<Form> ReadForm(std::span<const uint8_t> bytes, std::vector<UnitOffsets>* offsets) {
    ByteReader r(bytes, "form section");
    Form form;
    QUORIX_TRY_VALUE(unit_count, ReadHeader(r, form));
    QUORIX_TRY_VALUE(ids, r.ReadU32Array(unit_count));
    QUORIX_TRY_VALUE(block_offsets, r.ReadU32Array(unit_count));
    const size_t blocks_start = r.offset();
    size_t expected = 0;
    for (uint32_t i = 0; i < block_offsets.size(); ++i) {
        if (block_offsets[i] != expected) {
            return r.FieldError(kHeaderSize + 4 * (block_offsets.size() + i),
                                "unit %u's block is at 0x%x, the previous block ends at 0x%zx", i,
                                block_offsets[i], expected);
        }
        // The offset table agrees with where the previous block ended, and that is where the
        // cursor stands: each block is read to its end.
        UnitOffsets at;
        QUORIX_TRY_VALUE(unit, ReadUnit(r, at));
        std::visit([&](auto& u) { u.unit_id = ids[i]; }, unit);
        form.units.push_back(std::move(unit));
        if (offsets != nullptr) offsets->push_back(at);
        expected = r.offset() - blocks_start;
    }
    if (blocks_start + expected != bytes.size()) {
        return r.FieldError(blocks_start + expected,
                            "the last unit block ends at 0x%zx, before the end of the form",
                            blocks_start + expected);
    }
    return form;
}

}  // namespace quorix::form
