// Each kind's type block, laid out once: every layout below serves both the encoder (with a
// BlockWriter and a const record) and the decoder (with a BlockReader and a record to fill),
// and reads as that kind's row of the type-block table.
#include "image/form_types.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "image/form_fields.h"
#include "image/form_lists.h"

namespace quorix::form {

using image::Result;

namespace {

constexpr uint32_t kWhite = 0x00FFFFFF;
constexpr uint32_t kSystemColour = 0xFF000000;  // "use the system's colour"
constexpr uint32_t kTabBackground = 0x00ECECEC;
constexpr size_t kFaceBytes = 32;  // LOGFONTA face name, NUL included
constexpr uint32_t kFontRecordSize = 60;
constexpr size_t kEditMarkBytes = 14;  // 0x2A, then zeros
constexpr uint8_t kEditMark = 0x2A;
constexpr uint32_t kMinus1 = 0xFFFFFFFF;

// Encoders take our own build-time descriptions; a value that cannot be stored is a
// programming error, so they stop rather than write a block that would not read back.
[[noreturn]] void Unstorable(const std::string& what) {
    std::fprintf(stderr, "type block: %s cannot be stored\n", what.c_str());
    std::abort();
}

template <typename Props, typename Layout>
std::string Encode(const Props& props, Layout layout) {
    BlockWriter w;
    if (Result<void> ok = layout(w, props); !ok) Unstorable(ok.error().message);
    return w.Take();
}

// An empty block stands for the kind's defaults.
template <typename Props, typename Layout>
Result<Props> Decode(const std::string& type_block, const char* kind, Layout layout) {
    Props props;
    if (type_block.empty()) return props;
    BlockReader r(image::AsBytes(type_block), kind);
    FIELD(layout(r, props));
    FIELD(r.Finish());
    return props;
}

// ---- the font record ------------------------------------------------------------------------

// A Windows LOGFONTA: five i32, eight bytes, the face name NUL-padded to 32 bytes.
template <typename C, typename Font>
Result<void> FontRecord(C& c, Font& f) {
    FIELD(c.I32(f.height, "font height"));
    FIELD(c.I32(f.width, "font width"));
    FIELD(c.I32(f.escapement, "font escapement"));
    FIELD(c.I32(f.orientation, "font orientation"));
    FIELD(c.I32(f.weight, "font weight"));
    FIELD(c.U8(f.italic, "font italic"));
    FIELD(c.U8(f.underline, "font underline"));
    FIELD(c.U8(f.strike_out, "font strike-out"));
    FIELD(c.U8(f.char_set, "font character set"));
    FIELD(c.U8(f.out_precision, "font output precision"));
    FIELD(c.U8(f.clip_precision, "font clip precision"));
    FIELD(c.U8(f.quality, "font quality"));
    FIELD(c.U8(f.pitch_and_family, "font pitch and family"));
    return c.Padded(f.face, kFaceBytes, "font face name");
}

// ---- one layout per kind --------------------------------------------------------------------

template <typename C, typename P>
Result<void> Window(C& c, P& p) {
    for (auto& option : p.options) FIELD(c.Word(option, "option word"));
    FIELD(c.ZeroWords(8, "zero word"));
    FIELD(c.Counted(p.caption, "caption"));
    return c.Fixed({0}, "final word");
}

template <typename C, typename P>
Result<void> PushButton(C& c, P& p) {
    FIELD(c.Fixed({1}, "word"));
    FIELD(c.Word(p.t, "word t"));
    FIELD(c.Fixed({1, 1, 0, 0}, "word"));
    return c.Counted(p.caption, "caption");
}

template <typename C, typename P>
Result<void> Label(C& c, P& p) {
    FIELD(c.Fixed({1, 0, 0, 0, 1}, "word"));
    FIELD(c.Word(p.w, "word w"));
    FIELD(c.Fixed({0}, "word"));
    return c.Counted(p.caption, "caption");
}

template <typename C, typename P>
Result<void> Radio(C& c, P& p) {
    FIELD(c.Fixed({1, 1, 0, 0, 1, 1, 0, kSystemColour, 0, 0, 0}, "word"));
    return c.Counted(p.caption, "caption");
}

template <typename C, typename P>
Result<void> Combo(C& c, P& p) {
    FIELD(c.Fixed({3, 1, 0, 0, 0, 0, 1, 0, kWhite}, "word"));
    FIELD(c.I32(p.s, "word s"));
    FIELD(c.Fixed({0, 0}, "word"));
    FIELD(c.Counted(p.text, "text"));
    FIELD(c.ShortList(p.items, "item count",
                      [](auto& list, auto& item) { return list.Counted(item, "item"); }));
    return c.ZeroTail(p.trailing_zeros, "closing zero");
}

template <typename C, typename P>
Result<void> Edit(C& c, P& p) {
    FIELD(c.Fixed({2}, "word"));
    FIELD(c.Word(p.a, "word a"));
    FIELD(c.Fixed({0, kWhite, 1, 0, 1}, "word"));
    FIELD(c.Word(p.b, "word b"));
    FIELD(c.Fixed({0}, "word"));
    FIELD(c.Word(p.c, "word c"));
    FIELD(c.Fill(1, kEditMark, "mark"));
    FIELD(c.Fill(kEditMarkBytes - 1, 0, "mark padding"));
    FIELD(c.Fixed({100, 0, 0}, "word"));
    FIELD(c.Fixed({kFontRecordSize}, "font record size"));
    FIELD(FontRecord(c, p.font));
    FIELD(c.Counted(p.text, "text"));
    return c.Fill(8, 0, "closing zero");
}

template <typename C, typename P>
Result<void> Board(C& c, P& p) {
    FIELD(c.Fixed({1}, "word"));
    FIELD(c.Word(p.e, "word e"));
    return c.Fixed({kWhite, 1, 1, 0, 1, 12, 3, 0, 1, kWhite, 0, kSystemColour, 0, 0}, "word");
}

template <typename C, typename P>
Result<void> ShapeBox(C& c, P& p) {
    FIELD(c.Fixed({1, kWhite, 0, 0}, "word"));
    FIELD(c.Word(p.f, "word f"));
    FIELD(c.Fixed({1}, "word"));
    FIELD(c.Word(p.colour, "colour"));
    return c.Fixed({kSystemColour}, "word");
}

template <typename C, typename P>
Result<void> Spin(C& c, P&) {
    return c.Fixed({1, 0, 0}, "word");
}

template <typename C, typename P>
Result<void> Progress(C& c, P&) {
    return c.Fixed({1, 3, 0, 1, 0, 100, 0}, "word");
}

template <typename C, typename P>
Result<void> Browser(C& c, P&) {
    return c.Fixed({1, 2, 0, 1, 0}, "word");
}

template <typename C, typename P>
Result<void> FileDialog(C& c, P& p) {
    FIELD(c.Fixed({1, 0, 0, 0, 1, 1, 1}, "word"));
    FIELD(c.ZeroWords(11, "zero word"));
    FIELD(c.Counted(p.filter, "filter"));
    FIELD(c.Fixed({0}, "word after the filter"));
    FIELD(c.Counted(p.default_extension, "default extension"));
    return c.Fixed({0, 0}, "closing word");
}

template <typename C, typename P>
Result<void> ListView(C& c, P& p) {
    FIELD(c.Fixed({1, 1, 0, kWhite, kWhite, 3, 0, 1, 1, 0,       0, 0, 0, 0,
                   0, 1, 1, 1,      0,      0, 0, 1, 1, kMinus1, 0, 0, 0, 0},
                  "word"));
    FIELD(Columns(c, p.columns));
    return c.Fill(8, 0, "closing zero");
}

template <typename C, typename P>
Result<void> PictureButton(C& c, P& p) {
    FIELD(c.Fixed({2, 0, 0, 0, 0, 0, 0, 0, kWhite, kWhite, 0, 0, 0, kWhite, kWhite, kWhite, kWhite,
                   kWhite, kWhite},
                  "word"));
    FIELD(c.Counted(p.face1, "first face"));
    FIELD(c.Counted(p.face2, "second face"));
    FIELD(c.ZeroWords(4, "zero word"));
    FIELD(c.Counted(p.text, "text"));
    return c.Fixed({kSystemColour, 0}, "closing word");
}

template <typename C, typename P>
Result<void> TabControl(C& c, P& p) {
    FIELD(c.Fixed({7, 0, 1, 0, 0}, "word"));
    FIELD(FontRecord(c, p.font));
    FIELD(Tabs(c, p.captions));
    return c.Fixed({kTabBackground, kTabBackground, kTabBackground}, "tab colour");
}

}  // namespace

// ---- the encoders and decoders, one pair per kind -------------------------------------------

#define TYPE_BLOCK(Kind, kind_name)                                              \
    std::string Encode##Kind(const Kind##Props& props) {                         \
        return Encode(props, [](auto& c, auto& p) { return Kind(c, p); });       \
    }                                                                            \
    image::Result<Kind##Props> Decode##Kind(const std::string& type_block) {     \
        return Decode<Kind##Props>(type_block, kind_name,                        \
                                   [](auto& c, auto& p) { return Kind(c, p); }); \
    }

TYPE_BLOCK(Window, "window type block")
TYPE_BLOCK(PushButton, "push button type block")
TYPE_BLOCK(Label, "label type block")
TYPE_BLOCK(Radio, "radio box type block")
TYPE_BLOCK(Edit, "edit box type block")
TYPE_BLOCK(Board, "drawing board type block")
TYPE_BLOCK(ShapeBox, "shape box type block")
TYPE_BLOCK(Spin, "spin control type block")
TYPE_BLOCK(Progress, "progress bar type block")
TYPE_BLOCK(Browser, "browser box type block")
TYPE_BLOCK(FileDialog, "file dialog type block")
TYPE_BLOCK(ListView, "list view type block")
TYPE_BLOCK(PictureButton, "picture button type block")
TYPE_BLOCK(TabControl, "tab control type block")

#undef TYPE_BLOCK

// The item count is a u16.
std::string EncodeCombo(const ComboProps& props) {
    if (props.items.size() > UINT16_MAX) Unstorable("a combo box with more than 65535 items");
    return Encode(props, [](auto& c, auto& p) { return Combo(c, p); });
}

image::Result<ComboProps> DecodeCombo(const std::string& type_block) {
    return Decode<ComboProps>(type_block, "combo box type block",
                              [](auto& c, auto& p) { return Combo(c, p); });
}

}  // namespace quorix::form
