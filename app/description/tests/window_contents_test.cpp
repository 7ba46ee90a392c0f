// What the controls show at start: the symbol list, the help text, the fonts and the reset
// button's pictures.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <map>
#include <string_view>

#include "app/description/faces.h"
#include "app/description/gbk.h"
#include "app/description/help_text.h"
#include "app/description/symbols.h"
#include "app/description/window_contents.h"
#include "image/form_types.h"
#include "image/tests/block_bytes.h"

namespace quorix::app {
namespace {

std::vector<std::string> GbkSymbols() {
    std::vector<std::string> out;
    for (const char* s : SymbolList()) out.push_back(ToGbk(s));
    return out;
}

TEST(SymbolList, HasTheListedLengthsInGbk) {
    const std::vector<std::string> symbols = GbkSymbols();
    ASSERT_EQ(symbols.size(), 201u);
    std::map<size_t, int> by_length;
    for (const std::string& s : symbols) {
        ++by_length[s.size()];
        if (s.size() == 1) {
            EXPECT_LT(static_cast<unsigned char>(s[0]), 0x80) << s;
        }
    }
    EXPECT_EQ(by_length, (std::map<size_t, int>{{1, 19}, {2, 181}, {3, 1}}));
    EXPECT_EQ(symbols[85], "^_^");
}

TEST(SymbolList, DuplicatesAreExactlyTheListedOnes) {
    std::map<std::string_view, int> count;
    for (const char* s : SymbolList()) ++count[s];
    std::map<std::string_view, int> twice;
    for (const auto& [text, n] : count) {
        if (n > 1) twice[text] = n;
    }
    EXPECT_EQ(twice, (std::map<std::string_view, int>{
                         {"◥", 2}, {"▆", 2}, {"█", 2}, {"『", 2}, {"』", 2}, {"≈", 2}, {"ξ", 2}}));
}

// Items spelled out in words, and the plain question marks, by position (1-based).
TEST(SymbolList, AsciiItemsAreExact) {
    const auto list = SymbolList();
    const std::pair<size_t, std::string_view> cases[] = {
        {5, "?"},     {6, "??"},   {84, "*"},   {90, "||"},  {110, "/"},  {111, "//"},
        {112, " \""}, {113, " _"}, {114, "_ "}, {115, "<"},  {116, "<<"}, {117, ">"},
        {118, ">>"},  {119, "`"},  {120, "``"}, {177, "/="}, {189, "<>"}};
    for (const auto& [position, text] : cases) {
        EXPECT_EQ(std::string_view(list[position - 1]), text) << position;
    }
    // A few double-byte ones with their GBK codes: first, last, and the full-width ones.
    EXPECT_EQ(ToGbk(list[0]), "\xA1\xD1");    // ⊙
    EXPECT_EQ(ToGbk(list[200]), "\xA9\xA4");  // ─
    EXPECT_EQ(ToGbk(list[131]), "\xA1\xAB");  // ～
    EXPECT_EQ(ToGbk(list[197]), "\xA3\xDC");  // ＼
}

TEST(SymbolList, BothSymbolBoxesCarryIt) {
    auto edit = form::DecodeCombo(TypeBlockOf(Unit::修改对应编辑框));
    auto output = form::DecodeCombo(TypeBlockOf(Unit::修改对应编辑框1));
    ASSERT_TRUE(edit.ok()) << edit.error().message;
    ASSERT_TRUE(output.ok()) << output.error().message;
    EXPECT_EQ(edit->items, GbkSymbols());
    EXPECT_EQ(output->items, GbkSymbols());
    EXPECT_EQ(edit->text, "");
    EXPECT_EQ(output->text, "  ");
    EXPECT_EQ(edit->s, 33);
    EXPECT_EQ(output->s, -1);
    EXPECT_EQ(edit->trailing_zeros, 12u);
    EXPECT_EQ(output->trailing_zeros, 12u);
}

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2) {
        lines.push_back(text.substr(start, at - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

TEST(HelpText, HasThirteenLinesWithTheirIndentsAndBlanks) {
    const std::string text = HelpText();
    const std::vector<std::string> lines = SplitCrLf(text);
    ASSERT_EQ(lines.size(), 13u);
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "a lone CR or LF: " << line;
    }
    for (size_t n : {3, 5, 7, 9, 11}) EXPECT_EQ(lines[n - 1], "") << n;
    for (size_t n : {2, 6, 8, 10, 12, 13}) {
        EXPECT_EQ(lines[n - 1].substr(0, 4), "    ") << n;
        if (n != 13) {
            EXPECT_NE(lines[n - 1][4], ' ') << n;
        }
    }
    EXPECT_EQ(lines[0], "先说缺点：");
    EXPECT_EQ(lines[3], "也说优点：");
    EXPECT_EQ(lines[12], "    ");
    const std::string contact = "    有任何问题或意见请联系我们，";
    EXPECT_EQ(lines[11].substr(0, contact.size()), contact);
    EXPECT_GT(lines[11].size(), contact.size()) << "the contact line is missing";
    EXPECT_EQ(lines[1].substr(lines[1].size() - 3), "。");
}

TEST(HelpText, TheNewEntriesParagraphFollowsOnTheNextLine) {
    const std::vector<std::string> lines = SplitCrLf(NewEntriesHelp());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2].substr(0, 4), "    ");
    for (const char* entry : {"“减少颜色…”", "“按亮度分配字符…”", "“█▓▒░　”"}) {
        EXPECT_NE(lines[2].find(entry), std::string::npos) << entry;
    }
    EXPECT_EQ(HelpBoxText(), HelpText() + "\r\n" + NewEntriesHelp());
    EXPECT_EQ(SplitCrLf(HelpBoxText()).size(), 16u);
}

TEST(HelpText, IsWhatTheHelpBoxShows) {
    auto help = form::DecodeEdit(TypeBlockOf(Unit::编辑框3));
    ASSERT_TRUE(help.ok()) << help.error().message;
    EXPECT_EQ(help->text, ToGbk(HelpBoxText()));
    // The help text as it always was comes first.
    EXPECT_EQ(help->text.substr(0, ToGbk(HelpText()).size()), ToGbk(HelpText()));
    EXPECT_EQ(help->a, 5u);
    EXPECT_EQ(help->b, 0u);
    EXPECT_EQ(help->c, 1u);
}

TEST(Fonts, DecodeToTheListedValues) {
    auto output = form::DecodeEdit(TypeBlockOf(Unit::编辑框1));
    auto help = form::DecodeEdit(TypeBlockOf(Unit::编辑框3));
    auto tabs = form::DecodeTabControl(TypeBlockOf(Unit::高级选择夹1));
    ASSERT_TRUE(output.ok() && help.ok() && tabs.ok());
    struct Row {
        const char* control;
        const form::LogFont& font;
        int32_t height;
        uint8_t out, clip, quality, pitch;
        const char* face_gbk;
    };
    const Row rows[] = {
        {"编辑框1", output->font, -7, 3, 2, 1, 2, "\xCB\xCE\xCC\xE5"},     // 宋体
        {"编辑框3", help->font, -19, 3, 2, 1, 2, "\xBA\xDA\xCC\xE5"},      // 黑体
        {"高级选择夹1", tabs->font, -12, 0, 0, 0, 0, "\xCB\xCE\xCC\xE5"},  // 宋体
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.control);
        EXPECT_EQ(r.font.height, r.height);
        EXPECT_EQ(r.font.width, 0);
        EXPECT_EQ(r.font.escapement, 0);
        EXPECT_EQ(r.font.orientation, 0);
        EXPECT_EQ(r.font.weight, 400);
        EXPECT_EQ(r.font.italic + r.font.underline + r.font.strike_out, 0);
        EXPECT_EQ(r.font.char_set, 134);
        EXPECT_EQ(r.font.out_precision, r.out);
        EXPECT_EQ(r.font.clip_precision, r.clip);
        EXPECT_EQ(r.font.quality, r.quality);
        EXPECT_EQ(r.font.pitch_and_family, r.pitch);
        EXPECT_EQ(r.font.face, r.face_gbk);
    }
    EXPECT_EQ(output->text, "");
}

struct DecodedGif {
    int width = 0, height = 0, images = 0;
    std::vector<uint8_t> pixels;  // colour-table indices, row by row
    std::vector<GifColorType> colours;
};

int ReadFrom(GifFileType* gif, GifByteType* out, int length) {
    auto* in = static_cast<std::string_view*>(gif->UserData);
    const size_t n = std::min(in->size(), static_cast<size_t>(length));
    std::copy_n(in->data(), n, out);
    in->remove_prefix(n);
    return static_cast<int>(n);
}

DecodedGif Decode(const std::string& bytes) {
    DecodedGif out;
    std::string_view in = bytes;
    int error = 0;
    GifFileType* gif = DGifOpen(&in, ReadFrom, &error);
    if (gif == nullptr) {
        ADD_FAILURE() << GifErrorString(error);
        return out;
    }
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0 && gif->SColorMap != nullptr) {
        out.width = gif->SWidth;
        out.height = gif->SHeight;
        out.images = gif->ImageCount;
        const SavedImage& image = gif->SavedImages[0];
        const size_t size = static_cast<size_t>(image.ImageDesc.Width) * image.ImageDesc.Height;
        out.pixels.assign(image.RasterBits, image.RasterBits + size);
        out.colours.assign(gif->SColorMap->Colors,
                           gif->SColorMap->Colors + gif->SColorMap->ColorCount);
    } else {
        ADD_FAILURE() << "cannot decode: " << GifErrorString(gif->Error);
    }
    DGifCloseFile(gif, &error);
    return out;
}

int Brightness(const DecodedGif& g, int x, int y) {
    const GifColorType& c = g.colours.at(g.pixels.at(static_cast<size_t>(y * g.width + x)));
    return c.Red + c.Green + c.Blue;
}

TEST(ResetButtonFaces, AreTwentyByTwentyGif89a) {
    auto button = form::DecodePictureButton(TypeBlockOf(Unit::字体大小复位按钮));
    ASSERT_TRUE(button.ok()) << button.error().message;
    EXPECT_EQ(button->text, ToGbk("查看文字大小复位"));
    EXPECT_EQ(button->face1, ResetButtonFace());
    EXPECT_EQ(button->face2, ResetButtonPressedFace());
    for (const std::string* face : {&button->face1, &button->face2}) {
        ASSERT_GE(face->size(), 13u);
        EXPECT_EQ(face->substr(0, 6), "GIF89a");
        EXPECT_EQ(face->substr(6, 4), std::string("\x14\0\x14\0", 4));  // 20 x 20, LE
        EXPECT_EQ(face->back(), ';');                                   // GIF trailer
        const DecodedGif g = Decode(*face);
        EXPECT_EQ(g.width, 20);
        EXPECT_EQ(g.height, 20);
        EXPECT_EQ(g.images, 1);
        EXPECT_EQ(g.pixels.size(), 400u);
    }
}

// The normal face is lit from the top left, the pressed one is sunken: the corners swap.
TEST(ResetButtonFaces, PressedFaceIsSunken) {
    const DecodedGif up = Decode(ResetButtonFace());
    const DecodedGif down = Decode(ResetButtonPressedFace());
    ASSERT_EQ(up.pixels.size(), 400u);
    ASSERT_EQ(down.pixels.size(), 400u);
    EXPECT_GT(Brightness(up, 0, 0), Brightness(up, 19, 19));
    EXPECT_LT(Brightness(down, 0, 0), Brightness(down, 19, 19));
    EXPECT_NE(up.pixels, down.pixels);
}

}  // namespace
}  // namespace quorix::app
