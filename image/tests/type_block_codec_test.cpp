// Each kind's type block: encode -> decode gives the record back, an empty block gives the
// kind's defaults, and a damaged block is refused with the field and its offset.
#include <gtest/gtest.h>

#include <functional>

#include "image/form_types.h"
#include "image/tests/block_bytes.h"

namespace quorix::form {
namespace {

using test::BlockBytes;
using test::PutWord;

LogFont SampleFont() {
    LogFont f;
    f.height = -15;
    f.width = 2;
    f.escapement = 3;
    f.orientation = 4;
    f.weight = 700;
    f.italic = 1;
    f.underline = 1;
    f.strike_out = 1;
    f.char_set = 0;
    f.out_precision = 3;
    f.clip_precision = 2;
    f.quality = 1;
    f.pitch_and_family = 2;
    f.face = std::string(31, 'F');  // the longest face that fits with its NUL
    return f;
}

template <typename Props>
void ExpectRoundTrip(const Props& props, std::string (*encode)(const Props&),
                     image::Result<Props> (*decode)(const std::string&)) {
    const std::string block = encode(props);
    auto back = decode(block);
    ASSERT_TRUE(back.ok()) << back.error().message;
    EXPECT_EQ(*back, props);
}

TEST(TypeBlockCodec, EveryKindReadsBackWhatItWrote) {
    ExpectRoundTrip<WindowProps>({.options = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
                                  .caption = "caption\r\nline"},
                                 EncodeWindow, DecodeWindow);
    ExpectRoundTrip<PushButtonProps>({.t = 0, .caption = "ok"}, EncodePushButton, DecodePushButton);
    ExpectRoundTrip<LabelProps>({.w = 1, .caption = ""}, EncodeLabel, DecodeLabel);
    ExpectRoundTrip<RadioProps>({.caption = "x"}, EncodeRadio, DecodeRadio);
    ExpectRoundTrip<ComboProps>(
        {.s = 33, .text = "  ", .items = {"", "a", std::string("\0b", 2)}, .trailing_zeros = 15},
        EncodeCombo, DecodeCombo);
    ExpectRoundTrip<ComboProps>({.s = -1, .text = "", .items = {}, .trailing_zeros = 0},
                                EncodeCombo, DecodeCombo);
    ExpectRoundTrip<EditProps>({.a = 5, .b = 0, .c = 1, .font = SampleFont(), .text = "t"},
                               EncodeEdit, DecodeEdit);
    ExpectRoundTrip<BoardProps>({.e = 0}, EncodeBoard, DecodeBoard);
    ExpectRoundTrip<ShapeBoxProps>({.f = 1, .colour = 0x00C0C0C0}, EncodeShapeBox, DecodeShapeBox);
    ExpectRoundTrip<SpinProps>({}, EncodeSpin, DecodeSpin);
    ExpectRoundTrip<ProgressProps>({}, EncodeProgress, DecodeProgress);
    ExpectRoundTrip<BrowserProps>({}, EncodeBrowser, DecodeBrowser);
    ExpectRoundTrip<FileDialogProps>({.filter = "a|*.a|b|*.b", .default_extension = "a"},
                                     EncodeFileDialog, DecodeFileDialog);
    ExpectRoundTrip<ListViewProps>({.columns = {{"one", 80}, {"", -5}, {"three", 0}}},
                                   EncodeListView, DecodeListView);
    ExpectRoundTrip<ListViewProps>({.columns = {}}, EncodeListView, DecodeListView);
    ExpectRoundTrip<PictureButtonProps>(
        {.face1 = std::string(1037, '\x7f'), .face2 = "", .text = "t"}, EncodePictureButton,
        DecodePictureButton);
    ExpectRoundTrip<TabControlProps>({.font = SampleFont(), .captions = {"a", "", "ccc", "d"}},
                                     EncodeTabControl, DecodeTabControl);
    ExpectRoundTrip<TabControlProps>({.font = {}, .captions = {}}, EncodeTabControl,
                                     DecodeTabControl);
}

TEST(TypeBlockCodec, EmptyBlockGivesTheDefaults) {
    EXPECT_EQ(*DecodeWindow(""), WindowProps{});
    EXPECT_EQ(*DecodePushButton(""), PushButtonProps{});
    EXPECT_EQ(*DecodeLabel(""), LabelProps{});
    EXPECT_EQ(*DecodeRadio(""), RadioProps{});
    EXPECT_EQ(*DecodeCombo(""), ComboProps{});
    EXPECT_EQ(*DecodeEdit(""), EditProps{});
    EXPECT_EQ(*DecodeBoard(""), BoardProps{});
    EXPECT_EQ(*DecodeShapeBox(""), ShapeBoxProps{});
    EXPECT_EQ(*DecodeSpin(""), SpinProps{});
    EXPECT_EQ(*DecodeProgress(""), ProgressProps{});
    EXPECT_EQ(*DecodeBrowser(""), BrowserProps{});
    EXPECT_EQ(*DecodeFileDialog(""), FileDialogProps{});
    EXPECT_EQ(*DecodeListView(""), ListViewProps{});
    EXPECT_EQ(*DecodePictureButton(""), PictureButtonProps{});
    EXPECT_EQ(*DecodeTabControl(""), TabControlProps{});
}

// The font record is 60 bytes: five i32, eight bytes, a 32-byte face name.
TEST(TypeBlockCodec, FontIsAWindowsLogFontRecord) {
    EditProps props;
    props.font = SampleFont();
    props.font.face = "ab";
    const std::string block = EncodeEdit(props);
    // Ten words, 14 mark bytes, three words, then the record size and the record.
    const size_t at = 10 * 4 + 14 + 3 * 4;
    ASSERT_EQ(test::WordAt(block, at), 60u);
    const std::string expected = BlockBytes()
                                     .I32(-15)
                                     .I32(2)
                                     .I32(3)
                                     .I32(4)
                                     .I32(700)
                                     .Raw(std::string("\1\1\1\0\3\2\1\2", 8))
                                     .Raw("ab")
                                     .Fill(30, 0)
                                     .str();
    EXPECT_EQ(block.substr(at + 4, 60), expected);
}

// The face name's bytes after its NUL are of no meaning; a reader keeps only what precedes it.
TEST(TypeBlockCodec, FontFaceEndsAtItsNul) {
    EditProps props;
    props.font.face = "ab";
    std::string block = EncodeEdit(props);
    const size_t face_at = 10 * 4 + 14 + 4 * 4 + 28;
    block[face_at + 3] = 'z';
    auto back = DecodeEdit(block);
    ASSERT_TRUE(back.ok()) << back.error().message;
    EXPECT_EQ(back->font.face, "ab");
}

struct Defect {
    const char* name;
    std::function<std::string()> damaged;                           // a damaged block
    std::function<image::Result<bool>(const std::string&)> decode;  // ok() when accepted
    uint32_t offset;                                                // of the field at fault
    const char* field;                                              // named in the message
};

template <typename Props>
std::function<image::Result<bool>(const std::string&)> Decoder(
    image::Result<Props> (*decode)(const std::string&)) {
    return [decode](const std::string& block) -> image::Result<bool> {
        auto r = decode(block);
        if (!r) return r.error();
        return true;
    };
}

std::string WithWord(std::string block, size_t offset, uint32_t v) {
    PutWord(block, offset, v);
    return block;
}

std::string Button() {
    return EncodePushButton({.t = 1, .caption = "abc"});
}
std::string Tabs() {
    return EncodeTabControl({.font = {.face = "f"}, .captions = {"ab", "c"}});
}
constexpr size_t kTabListLengthAt = 5 * 4 + 60;
std::string Columns() {
    return EncodeListView({.columns = {{"ab", 80}, {"c", 80}}});
}
constexpr size_t kColumnLengthAt = 28 * 4;
std::string Combo() {
    return EncodeCombo({.s = -1, .text = "50", .items = {"10", "50"}, .trailing_zeros = 3});
}

TEST(TypeBlockCodec, DamagedBlocksAreRefusedNamingFieldAndOffset) {
    const Defect defects[] = {
        // A fixed word changed.
        {"button first word", [] { return WithWord(Button(), 0, 2); }, Decoder(DecodePushButton), 0,
         "word"},
        {"radio system colour", [] { return WithWord(EncodeRadio({"x"}), 28, 0); },
         Decoder(DecodeRadio), 28, "word"},
        {"window zero word", [] { return WithWord(EncodeWindow({}), 15 * 4 + 12, 1); },
         Decoder(DecodeWindow), 15 * 4 + 12, "zero word"},
        {"board colour", [] { return WithWord(EncodeBoard({}), 11 * 4, 0); }, Decoder(DecodeBoard),
         11 * 4, "word"},
        {"edit mark",
         [] {
             std::string b = EncodeEdit({});
             b[40] = 0x2B;
             return b;
         },
         Decoder(DecodeEdit), 40, "mark"},
        {"edit font record size", [] { return WithWord(EncodeEdit({}), 66, 64); },
         Decoder(DecodeEdit), 66, "font record size"},
        {"combo closing zero",
         [] {
             std::string b = Combo();
             b.back() = 1;
             return b;
         },
         Decoder(DecodeCombo), static_cast<uint32_t>(Combo().size() - 1), "closing zero"},
        {"tab second count", [] { return WithWord(Tabs(), kTabListLengthAt + 8, 3); },
         Decoder(DecodeTabControl), kTabListLengthAt + 8, "second tab count"},
        {"tab colour",
         [] {
             std::string b = Tabs();
             return WithWord(b, b.size() - 4, 0x00FFFFFF);
         },
         Decoder(DecodeTabControl), static_cast<uint32_t>(Tabs().size() - 4), "tab colour"},
        {"tab caption repeated differently",
         [] {
             std::string b = Tabs();
             // First tab: count words, caption "ab", 60 marker bytes, five words, then again.
             b[kTabListLengthAt + 12 + 4 + 2 + 60 + 20 + 4] = 'x';
             return b;
         },
         Decoder(DecodeTabControl), kTabListLengthAt + 12 + 4 + 2 + 60 + 20, "repeated caption"},
        {"column lead byte",
         [] {
             std::string b = Columns();
             b[kColumnLengthAt + 4] = 1;
             return b;
         },
         Decoder(DecodeListView), kColumnLengthAt + 4, "column lead byte"},
        {"font face without NUL",
         [] {
             std::string b = EncodeEdit({});
             b.replace(10 * 4 + 14 + 4 * 4 + 28, 32, std::string(32, 'F'));
             return b;
         },
         Decoder(DecodeEdit), 10 * 4 + 14 + 4 * 4 + 28, "face name"},

        // A counted text or a length running past the block.
        // The error points at the length word itself.
        {"button caption length", [] { return WithWord(Button(), 24, 4); },
         Decoder(DecodePushButton), 24, "caption 0x4 at 0x18 needs 0x4 bytes"},
        {"button caption length huge", [] { return WithWord(Button(), 24, 0xFFFFFFFF); },
         Decoder(DecodePushButton), 24, "caption 0xffffffff at 0x18"},
        {"combo item length", [] { return WithWord(Combo(), 12 * 4 + 6 + 2, 100); },
         Decoder(DecodeCombo), 12 * 4 + 6 + 2, "item 0x64 at 0x38"},
        {"combo item count",
         [] {
             std::string b = Combo();
             b[12 * 4 + 6] = 9;
             return b;
         },
         Decoder(DecodeCombo), static_cast<uint32_t>(Combo().size() - 3), "item"},
        {"picture face length",
         [] {
             return WithWord(EncodePictureButton({.face1 = "GIF", .face2 = "", .text = ""}), 19 * 4,
                             1000);
         },
         Decoder(DecodePictureButton), 19 * 4, "first face 0x3e8 at 0x4c"},
        {"tab list length past the block",
         [] { return WithWord(Tabs(), kTabListLengthAt, 0x10000); }, Decoder(DecodeTabControl),
         kTabListLengthAt, "tab list length"},
        {"tab list length short of its tabs",
         [] {
             std::string b = Tabs();
             return WithWord(b, kTabListLengthAt, test::WordAt(b, kTabListLengthAt) - 4);
         },
         Decoder(DecodeTabControl), kTabListLengthAt, "tab list length"},
        {"column records length past the block",
         [] { return WithWord(Columns(), kColumnLengthAt, 0x1000); }, Decoder(DecodeListView),
         kColumnLengthAt, "column records length"},
        {"column record crossing its length",
         [] {
             std::string b = Columns();
             return WithWord(b, kColumnLengthAt, test::WordAt(b, kColumnLengthAt) - 1);
         },
         Decoder(DecodeListView), kColumnLengthAt + 4 + 16, "column record"},
        {"cut short", [] { return EncodeBoard({}).substr(0, 62); }, Decoder(DecodeBoard), 60,
         "word"},

        // Bytes after the last field.
        {"button trailing byte", [] { return Button() + '\0'; }, Decoder(DecodePushButton),
         static_cast<uint32_t>(Button().size()), "after its last field"},
        {"window trailing word", [] { return EncodeWindow({}) + std::string(4, '\0'); },
         Decoder(DecodeWindow), static_cast<uint32_t>(EncodeWindow({}).size()),
         "after its last field"},
        {"tab trailing byte", [] { return Tabs() + 'x'; }, Decoder(DecodeTabControl),
         static_cast<uint32_t>(Tabs().size()), "after its last field"},
        {"spin trailing byte", [] { return EncodeSpin({}) + 'x'; }, Decoder(DecodeSpin), 12,
         "after its last field"},
        {"dialog trailing byte", [] { return EncodeFileDialog({}) + 'x'; },
         Decoder(DecodeFileDialog), static_cast<uint32_t>(EncodeFileDialog({}).size()),
         "after its last field"},
    };
    for (const Defect& d : defects) {
        SCOPED_TRACE(d.name);
        auto result = d.decode(d.damaged());
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error().offset, d.offset) << result.error().message;
        EXPECT_NE(result.error().message.find(d.field), std::string::npos)
            << result.error().message;
    }
}

}  // namespace
}  // namespace quorix::form
