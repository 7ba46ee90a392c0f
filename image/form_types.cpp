#include "image/form_types.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <optional>

#include "image/bytes.h"

namespace quorix::form {

using image::AsBytes;
using image::AsString;
using image::ByteReader;
using image::ByteWriter;

namespace {

constexpr uint32_t kWhite = 0x00FFFFFF;
constexpr uint32_t kSystemColour = 0xFF000000;  // "use the system's colour"
constexpr uint32_t kTabBackground = 0x00ECECEC;
constexpr size_t kFaceBytes = 32;  // LOGFONTA face name, NUL included

// Encoders take our own build-time descriptions; a value that cannot be stored is a
// programming error, so they stop rather than write a block that would not read back.
[[noreturn]] void Unstorable(const char* what) {
    std::fprintf(stderr, "type block: %s cannot be stored\n", what);
    std::abort();
}

// Writing side: the few field shapes every type block is made of.
class BlockWriter {
public:
    void Words(std::initializer_list<uint32_t> words) {
        for (uint32_t v : words) w_.U32(v);
    }
    void Word(uint32_t v) { w_.U32(v); }
    void Fill(size_t count, uint8_t value) {
        for (size_t i = 0; i < count; ++i) w_.U8(value);
    }
    void Zeros(size_t count) { w_.Zeros(count); }
    void Counted(const std::string& text) {
        w_.U32(static_cast<uint32_t>(text.size()));
        w_.Bytes(AsBytes(text));
    }
    void CString(const std::string& text) { w_.Text(text); }
    void Font(const LogFont& f) {
        if (f.face.size() >= kFaceBytes) Unstorable("a font face name of 32 bytes or more");
        for (int32_t v : {f.height, f.width, f.escapement, f.orientation, f.weight}) w_.I32(v);
        for (uint8_t v : {f.italic, f.underline, f.strike_out, f.char_set, f.out_precision,
                          f.clip_precision, f.quality, f.pitch_and_family}) {
            w_.U8(v);
        }
        w_.Bytes(AsBytes(f.face));
        w_.Zeros(kFaceBytes - f.face.size());
    }
    void U16(uint16_t v) { w_.U16(v); }
    void I32(int32_t v) { w_.I32(v); }
    void U8(uint8_t v) { w_.U8(v); }
    size_t size() const { return w_.size(); }
    void PatchU32(size_t offset, uint32_t v) {
        if (!w_.PatchU32(offset, v)) Unstorable("a length word");
    }
    std::string Take() { return std::string(w_.bytes().begin(), w_.bytes().end()); }

private:
    ByteWriter w_;
};

// Reading side. The first failure sticks: later reads return zeros and empty texts, and
// Finish() returns that first error. Every field is named in the error with its offset in
// the block, so a decoder reads as a list of the layout's fields.
class BlockReader {
public:
    BlockReader(std::span<const uint8_t> bytes, const char* kind) : r_(bytes, kind), kind_(kind) {}

    bool ok() const { return !error_; }
    size_t offset() const { return r_.offset(); }

    uint32_t Word(const char* field) {
        if (error_) return 0;
        auto v = r_.ReadU32(field);
        if (!v) return Fail(v.error()), 0;
        return *v;
    }
    int32_t I32(const char* field) { return static_cast<int32_t>(Word(field)); }

    // The next words must hold `expected`, in order; `field` names the run ("option word").
    void Expect(std::initializer_list<uint32_t> expected, const char* field) {
        for (uint32_t want : expected) {
            const size_t at = r_.offset();
            const uint32_t got = Word(field);
            if (error_) return;
            if (got != want) {
                return Fail(r_.FieldError(at, "%s %s at 0x%zx is 0x%x, expected 0x%x", kind_, field,
                                          at, got, want));
            }
        }
    }
    void ExpectZeroWords(size_t count, const char* field) {
        for (size_t i = 0; i < count && !error_; ++i) Expect({0}, field);
    }
    // `count` bytes that must all equal `value`.
    void ExpectFill(size_t count, uint8_t value, const char* field) {
        const size_t at = r_.offset();
        const auto bytes = Bytes(count, field);
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] != value) {
                return Fail(r_.FieldError(at + i,
                                          "%s %s byte %zu at 0x%zx is 0x%02x, expected 0x%02x",
                                          kind_, field, i, at + i, bytes[i], value));
            }
        }
    }

    std::span<const uint8_t> Bytes(size_t count, const char* field) {
        if (error_) return {};
        auto bytes = r_.ReadBytes(count, field);
        if (!bytes) return Fail(bytes.error()), std::span<const uint8_t>{};
        return *bytes;
    }
    uint8_t U8(const char* field) {
        const auto b = Bytes(1, field);
        return b.empty() ? 0 : b[0];
    }
    uint16_t U16(const char* field) {
        const auto b = Bytes(2, field);
        return b.empty() ? 0 : image::LoadU16(b.data());
    }

    // A u32 byte length and that many bytes; the length is checked against the block's end.
    std::string Counted(const char* field) {
        const image::Count length{Word(field), r_.offset() - 4, field};
        if (error_) return {};
        auto bytes = r_.ReadArray(length, 1);
        if (!bytes) return Fail(bytes.error()), std::string{};
        return AsString(*bytes);
    }
    std::string CString(const char* field) {
        if (error_) return {};
        auto text = r_.ReadCString(field);
        if (!text) return Fail(text.error()), std::string{};
        return AsString(*text);
    }

    LogFont Font() {
        LogFont f;
        f.height = I32("font height");
        f.width = I32("font width");
        f.escapement = I32("font escapement");
        f.orientation = I32("font orientation");
        f.weight = I32("font weight");
        f.italic = U8("font italic");
        f.underline = U8("font underline");
        f.strike_out = U8("font strike-out");
        f.char_set = U8("font character set");
        f.out_precision = U8("font output precision");
        f.clip_precision = U8("font clip precision");
        f.quality = U8("font quality");
        f.pitch_and_family = U8("font pitch and family");
        const size_t at = r_.offset();
        const auto face = Bytes(kFaceBytes, "font face name");
        if (error_) return f;
        size_t length = 0;
        while (length < face.size() && face[length] != 0) ++length;
        if (length == face.size()) {
            Fail(r_.FieldError(at, "%s font face name at 0x%zx has no NUL in its %zu bytes", kind_,
                               at, kFaceBytes));
            return f;
        }
        f.face = AsString(face.first(length));
        return f;
    }

    // A field the caller found wrong after reading it; `message` says what and where.
    void Refuse(size_t at, const std::string& message) {
        if (!error_) Fail(r_.FieldError(at, "%s %s", kind_, message.c_str()));
    }

    size_t remaining() const { return r_.remaining(); }

    // The block must end exactly here.
    template <typename T>
    image::Result<T> Finish(T value) {
        if (!error_ && r_.remaining() != 0) {
            Fail(r_.FieldError(r_.offset(),
                               "%s has 0x%zx bytes after its last field at 0x%zx, block size "
                               "0x%zx",
                               kind_, r_.remaining(), r_.offset(), r_.size()));
        }
        if (error_) return *error_;
        return value;
    }

private:
    void Fail(image::Error e) {
        if (!error_) error_ = std::move(e);
    }

    ByteReader r_;
    const char* kind_;
    std::optional<image::Error> error_;
};

}  // namespace

// ---- window ----------------------------------------------------------------------------

std::string EncodeWindow(const WindowProps& props) {
    BlockWriter w;
    for (uint32_t v : props.options) w.Word(v);
    w.Zeros(8 * 4);
    w.Counted(props.caption);
    w.Word(0);
    return w.Take();
}

image::Result<WindowProps> DecodeWindow(const std::string& type_block) {
    WindowProps props;
    if (type_block.empty()) return props;
    BlockReader r(AsBytes(type_block), "window type block");
    for (uint32_t& v : props.options) v = r.Word("option word");
    r.ExpectZeroWords(8, "zero word");
    props.caption = r.Counted("caption");
    r.Expect({0}, "final word");
    return r.Finish(props);
}

// ---- push button, label, radio box -------------------------------------------------------

std::string EncodePushButton(const PushButtonProps& props) {
    BlockWriter w;
    w.Words({1, props.t, 1, 1, 0, 0});
    w.Counted(props.caption);
    return w.Take();
}

image::Result<PushButtonProps> DecodePushButton(const std::string& type_block) {
    PushButtonProps props;
    if (type_block.empty()) return props;
    BlockReader r(AsBytes(type_block), "push button type block");
    r.Expect({1}, "word");
    props.t = r.Word("word t");
    r.Expect({1, 1, 0, 0}, "word");
    props.caption = r.Counted("caption");
    return r.Finish(props);
}

std::string EncodeLabel(const LabelProps& props) {
    BlockWriter w;
    w.Words({1, 0, 0, 0, 1, props.w, 0});
    w.Counted(props.caption);
    return w.Take();
}

image::Result<LabelProps> DecodeLabel(const std::string& type_block) {
    LabelProps props;
    if (type_block.empty()) return props;
    BlockReader r(AsBytes(type_block), "label type block");
    r.Expect({1, 0, 0, 0, 1}, "word");
    props.w = r.Word("word w");
    r.Expect({0}, "word");
    props.caption = r.Counted("caption");
    return r.Finish(props);
}

namespace {
constexpr std::initializer_list<uint32_t> kRadioWords = {1, 1, 0, 0, 1, 1, 0, kSystemColour,
                                                         0, 0, 0};
}

std::string EncodeRadio(const RadioProps& props) {
    BlockWriter w;
    w.Words(kRadioWords);
    w.Counted(props.caption);
    return w.Take();
}

image::Result<RadioProps> DecodeRadio(const std::string& type_block) {
    RadioProps props;
    if (type_block.empty()) return props;
    BlockReader r(AsBytes(type_block), "radio box type block");
    r.Expect(kRadioWords, "word");
    props.caption = r.Counted("caption");
    return r.Finish(props);
}

// ---- combo box ---------------------------------------------------------------------------

std::string EncodeCombo(const ComboProps& props) {
    if (props.items.size() > UINT16_MAX) Unstorable("a combo box with more than 65535 items");
    BlockWriter w;
    w.Words({3, 1, 0, 0, 0, 0, 1, 0, kWhite, static_cast<uint32_t>(props.s), 0, 0});
    w.Counted(props.text);
    w.U16(static_cast<uint16_t>(props.items.size()));
    for (const std::string& item : props.items) w.Counted(item);
    w.Zeros(props.trailing_zeros);
    return w.Take();
}

image::Result<ComboProps> DecodeCombo(const std::string& type_block) {
    ComboProps props;
    if (type_block.empty()) return props;
    BlockReader r(AsBytes(type_block), "combo box type block");
    r.Expect({3, 1, 0, 0, 0, 0, 1, 0, kWhite}, "word");
    props.s = r.I32("word s");
    r.Expect({0, 0}, "word");
    props.text = r.Counted("text");
    const uint16_t count = r.U16("item count");
    for (uint16_t i = 0; i < count && r.ok(); ++i) props.items.push_back(r.Counted("item"));
    // The block closes with zero bytes up to its end.
    props.trailing_zeros = static_cast<uint32_t>(r.remaining());
    r.ExpectFill(r.remaining(), 0, "closing zero");
    return r.Finish(props);
}

// ---- edit box ----------------------------------------------------------------------------

namespace {
constexpr uint32_t kFontRecordSize = 60;
constexpr size_t kEditMarkBytes = 14;  // 0x2A, then zeros
constexpr uint8_t kEditMark = 0x2A;
}  // namespace

std::string EncodeEdit(const EditProps& props) {
    BlockWriter w;
    w.Words({2, props.a, 0, kWhite, 1, 0, 1, props.b, 0, props.c});
    w.U8(kEditMark);
    w.Zeros(kEditMarkBytes - 1);
    w.Words({100, 0, 0, kFontRecordSize});
    w.Font(props.font);
    w.Counted(props.text);
    w.Zeros(8);
    return w.Take();
}

image::Result<EditProps> DecodeEdit(const std::string& type_block) {
    EditProps props;
    if (type_block.empty()) return props;
    BlockReader r(AsBytes(type_block), "edit box type block");
    r.Expect({2}, "word");
    props.a = r.Word("word a");
    r.Expect({0, kWhite, 1, 0, 1}, "word");
    props.b = r.Word("word b");
    r.Expect({0}, "word");
    props.c = r.Word("word c");
    r.ExpectFill(1, kEditMark, "mark");
    r.ExpectFill(kEditMarkBytes - 1, 0, "mark padding");
    r.Expect({100, 0, 0}, "word");
    r.Expect({kFontRecordSize}, "font record size");
    props.font = r.Font();
    props.text = r.Counted("text");
    r.ExpectFill(8, 0, "closing zero");
    return r.Finish(props);
}

// ---- drawing board, shape box, spin control, progress bar, browser box ---------------------

std::string EncodeBoard(const BoardProps& props) {
    BlockWriter w;
    w.Words({1, props.e, kWhite, 1, 1, 0, 1, 12, 3, 0, 1, kWhite, 0, kSystemColour, 0, 0});
    return w.Take();
}

image::Result<BoardProps> DecodeBoard(const std::string& type_block) {
    BoardProps props;
    if (type_block.empty()) return props;
    BlockReader r(AsBytes(type_block), "drawing board type block");
    r.Expect({1}, "word");
    props.e = r.Word("word e");
    r.Expect({kWhite, 1, 1, 0, 1, 12, 3, 0, 1, kWhite, 0, kSystemColour, 0, 0}, "word");
    return r.Finish(props);
}

std::string EncodeShapeBox(const ShapeBoxProps& props) {
    BlockWriter w;
    w.Words({1, kWhite, 0, 0, props.f, 1, props.colour, kSystemColour});
    return w.Take();
}

image::Result<ShapeBoxProps> DecodeShapeBox(const std::string& type_block) {
    ShapeBoxProps props;
    if (type_block.empty()) return props;
    BlockReader r(AsBytes(type_block), "shape box type block");
    r.Expect({1, kWhite, 0, 0}, "word");
    props.f = r.Word("word f");
    r.Expect({1}, "word");
    props.colour = r.Word("colour");
    r.Expect({kSystemColour}, "word");
    return r.Finish(props);
}

namespace {
// A kind whose block is a fixed run of words with nothing that varies.
template <typename Props>
image::Result<Props> DecodeFixed(const std::string& type_block, const char* kind,
                                 std::initializer_list<uint32_t> words) {
    Props props;
    if (type_block.empty()) return props;
    BlockReader r(AsBytes(type_block), kind);
    r.Expect(words, "word");
    return r.Finish(props);
}
std::string EncodeFixed(std::initializer_list<uint32_t> words) {
    BlockWriter w;
    w.Words(words);
    return w.Take();
}
constexpr std::initializer_list<uint32_t> kSpinWords = {1, 0, 0};
constexpr std::initializer_list<uint32_t> kProgressWords = {1, 3, 0, 1, 0, 100, 0};
constexpr std::initializer_list<uint32_t> kBrowserWords = {1, 2, 0, 1, 0};
}  // namespace

std::string EncodeSpin(const SpinProps&) {
    return EncodeFixed(kSpinWords);
}
image::Result<SpinProps> DecodeSpin(const std::string& type_block) {
    return DecodeFixed<SpinProps>(type_block, "spin control type block", kSpinWords);
}
std::string EncodeProgress(const ProgressProps&) {
    return EncodeFixed(kProgressWords);
}
image::Result<ProgressProps> DecodeProgress(const std::string& type_block) {
    return DecodeFixed<ProgressProps>(type_block, "progress bar type block", kProgressWords);
}
std::string EncodeBrowser(const BrowserProps&) {
    return EncodeFixed(kBrowserWords);
}
image::Result<BrowserProps> DecodeBrowser(const std::string& type_block) {
    return DecodeFixed<BrowserProps>(type_block, "browser box type block", kBrowserWords);
}

// ---- common file dialog -------------------------------------------------------------------

std::string EncodeFileDialog(const FileDialogProps& props) {
    BlockWriter w;
    w.Words({1, 0, 0, 0, 1, 1, 1});
    w.Zeros(11 * 4);
    w.Counted(props.filter);
    w.Word(0);
    w.Counted(props.default_extension);
    w.Words({0, 0});
    return w.Take();
}

image::Result<FileDialogProps> DecodeFileDialog(const std::string& type_block) {
    FileDialogProps props;
    if (type_block.empty()) return props;
    BlockReader r(AsBytes(type_block), "file dialog type block");
    r.Expect({1, 0, 0, 0, 1, 1, 1}, "word");
    r.ExpectZeroWords(11, "zero word");
    props.filter = r.Counted("filter");
    r.Expect({0}, "word after the filter");
    props.default_extension = r.Counted("default extension");
    r.Expect({0, 0}, "closing word");
    return r.Finish(props);
}

// ---- list box with columns ----------------------------------------------------------------

namespace {
constexpr uint32_t kMinus1 = 0xFFFFFFFF;
constexpr std::initializer_list<uint32_t> kListWords = {1, 1, 0, kWhite,  kWhite, 3, 0, 1, 1, 0,
                                                        0, 0, 0, 0,       0,      1, 1, 1, 0, 0,
                                                        0, 1, 1, kMinus1, 0,      0, 0, 0};
static_assert(kListWords.size() == 28);
}  // namespace

std::string EncodeListView(const ListViewProps& props) {
    BlockWriter w;
    w.Words(kListWords);
    const size_t length_at = w.size();
    w.Word(0);  // byte length of the column records, patched below
    for (const ListColumn& column : props.columns) {
        w.U8(0);
        w.I32(-1);
        w.I32(0);
        w.I32(column.width);
        w.CString(column.title);
    }
    w.PatchU32(length_at, static_cast<uint32_t>(w.size() - length_at - 4));
    w.Zeros(8);
    return w.Take();
}

image::Result<ListViewProps> DecodeListView(const std::string& type_block) {
    ListViewProps props;
    if (type_block.empty()) return props;
    BlockReader r(AsBytes(type_block), "list view type block");
    r.Expect(kListWords, "word");
    const size_t length_at = r.offset();
    const uint32_t length = r.Word("column records length");
    if (r.ok() && length > r.remaining()) {
        r.Refuse(length_at, image::Format("column records length 0x%x at 0x%zx runs past the "
                                          "end of the block of size 0x%zx",
                                          length, length_at, type_block.size()));
    }
    const size_t end = r.offset() + length;
    while (r.ok() && r.offset() < end) {
        const size_t at = r.offset();
        ListColumn column;
        r.ExpectFill(1, 0, "column lead byte");
        r.Expect({kMinus1, 0}, "column word");
        column.width = r.I32("column width");
        column.title = r.CString("column title");
        if (r.ok() && r.offset() > end) {
            r.Refuse(at, image::Format("column record at 0x%zx ends at 0x%zx, past the column "
                                       "records' end at 0x%zx",
                                       at, r.offset(), end));
        }
        props.columns.push_back(std::move(column));
    }
    r.ExpectFill(8, 0, "closing zero");
    return r.Finish(props);
}

// ---- picture button ------------------------------------------------------------------------

namespace {
constexpr std::initializer_list<uint32_t> kPictureWords = {
    2, 0, 0, 0,      0,      0,      0,      0,      kWhite, kWhite,
    0, 0, 0, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite};
}

std::string EncodePictureButton(const PictureButtonProps& props) {
    BlockWriter w;
    w.Words(kPictureWords);
    w.Counted(props.face1);
    w.Counted(props.face2);
    w.Words({0, 0, 0, 0});
    w.Counted(props.text);
    w.Words({kSystemColour, 0});
    return w.Take();
}

image::Result<PictureButtonProps> DecodePictureButton(const std::string& type_block) {
    PictureButtonProps props;
    if (type_block.empty()) return props;
    BlockReader r(AsBytes(type_block), "picture button type block");
    r.Expect(kPictureWords, "word");
    props.face1 = r.Counted("first face");
    props.face2 = r.Counted("second face");
    r.ExpectZeroWords(4, "zero word");
    props.text = r.Counted("text");
    r.Expect({kSystemColour, 0}, "closing word");
    return r.Finish(props);
}

// ---- advanced tab control ------------------------------------------------------------------

namespace {
constexpr size_t kTabMarkFF1 = 16, kTabZeros = 12, kTabMarkFF2 = 32;
constexpr std::initializer_list<uint32_t> kTabWords = {0, 1, 1, 0, 0};
constexpr std::initializer_list<uint32_t> kTabColours = {kTabBackground, kTabBackground,
                                                         kTabBackground};
}  // namespace

std::string EncodeTabControl(const TabControlProps& props) {
    BlockWriter w;
    w.Words({7, 0, 1, 0, 0});
    w.Font(props.font);
    // The tab list: its byte length, the tab count twice, then one record per tab.
    const size_t length_at = w.size();
    w.Word(0);  // patched below
    const auto count = static_cast<uint32_t>(props.captions.size());
    w.Words({count, count});
    for (const std::string& caption : props.captions) {
        w.Counted(caption);
        w.Fill(kTabMarkFF1, 0xFF);
        w.Zeros(kTabZeros);
        w.Fill(kTabMarkFF2, 0xFF);
        w.Words(kTabWords);
        w.Counted(caption);
        w.Words({0, 0});
    }
    w.PatchU32(length_at, static_cast<uint32_t>(w.size() - length_at - 4));
    w.Words(kTabColours);
    return w.Take();
}

image::Result<TabControlProps> DecodeTabControl(const std::string& type_block) {
    TabControlProps props;
    if (type_block.empty()) return props;
    BlockReader r(AsBytes(type_block), "tab control type block");
    r.Expect({7, 0, 1, 0, 0}, "word");
    props.font = r.Font();
    const size_t length_at = r.offset();
    const uint32_t length = r.Word("tab list length");
    if (r.ok() && length > r.remaining()) {
        r.Refuse(length_at, image::Format("tab list length 0x%x at 0x%zx runs past the end of "
                                          "the block of size 0x%zx",
                                          length, length_at, type_block.size()));
    }
    const size_t end = r.offset() + length;
    const uint32_t count = r.Word("tab count");
    r.Expect({count}, "second tab count");
    for (uint32_t i = 0; i < count && r.ok(); ++i) {
        const std::string caption = r.Counted("tab caption");
        r.ExpectFill(kTabMarkFF1, 0xFF, "tab marker");
        r.ExpectFill(kTabZeros, 0, "tab zero");
        r.ExpectFill(kTabMarkFF2, 0xFF, "tab marker");
        r.Expect(kTabWords, "tab word");
        const size_t again_at = r.offset();
        const std::string again = r.Counted("repeated tab caption");
        if (r.ok() && again != caption) {
            r.Refuse(again_at, image::Format("repeated caption of tab %u at 0x%zx differs from "
                                             "the first",
                                             i, again_at));
        }
        r.Expect({0, 0}, "tab closing word");
        props.captions.push_back(caption);
    }
    if (r.ok() && r.offset() != end) {
        r.Refuse(length_at, image::Format("tab list length 0x%x at 0x%zx says the list ends at "
                                          "0x%zx, but its tabs end at 0x%zx",
                                          length, length_at, end, r.offset()));
    }
    r.Expect(kTabColours, "tab colour");
    return r.Finish(props);
}

}  // namespace quorix::form
