// The whole window description written as a form section: it reads back equal, every type
// block decodes, and the stored bytes follow the section's layout.
#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <optional>

#include "app/description/gbk.h"
#include "app/description/program_builder.h"
#include "app/description/window_contents.h"
#include "app/description/window_description.h"
#include "app/units.h"
#include "image/form_types.h"
#include "image/tests/block_bytes.h"

namespace quorix::app {
namespace {

using test::BlockBytes;
using test::WordAt;

std::map<uint32_t, uint32_t> RoutineOffsets() {
    return BuildCodeSection().routine_offsets;
}

std::string Section() {
    auto bytes = WriteStartWindow(RoutineOffsets());
    if (!bytes) ADD_FAILURE() << bytes.error().message;
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

// Decodes a type block with its kind's decoder and encodes the result again; nullopt when
// the kind has no codec of its own.
template <typename Props>
image::Result<std::string> Reencode(const std::string& block,
                                    image::Result<Props> (*decode)(const std::string&),
                                    std::string (*encode)(const Props&)) {
    auto props = decode(block);
    if (!props) return props.error();
    return encode(*props);
}

std::optional<image::Result<std::string>> ReencodeByType(uint32_t type, const std::string& b) {
    using namespace form;
    switch (type) {
        case abi::kTypeWindow:
            return Reencode(b, DecodeWindow, EncodeWindow);
        case abi::kTypePushButton:
            return Reencode(b, DecodePushButton, EncodePushButton);
        case abi::kTypeTransparentLabel:
            return Reencode(b, DecodeLabel, EncodeLabel);
        case abi::kTypeRadioBox:
            return Reencode(b, DecodeRadio, EncodeRadio);
        case abi::kTypeComboBox:
            return Reencode(b, DecodeCombo, EncodeCombo);
        case abi::kTypeEditBox:
            return Reencode(b, DecodeEdit, EncodeEdit);
        case abi::kTypeDrawingBoard:
            return Reencode(b, DecodeBoard, EncodeBoard);
        case abi::kTypeShapeBox:
            return Reencode(b, DecodeShapeBox, EncodeShapeBox);
        case abi::kTypeSpinControl:
            return Reencode(b, DecodeSpin, EncodeSpin);
        case abi::kTypeProgressBar:
            return Reencode(b, DecodeProgress, EncodeProgress);
        case abi::kTypeBrowserBox:
            return Reencode(b, DecodeBrowser, EncodeBrowser);
        case abi::kTypeFileDialog:
            return Reencode(b, DecodeFileDialog, EncodeFileDialog);
        case abi::kTypeListView:
            return Reencode(b, DecodeListView, EncodeListView);
        case abi::kTypePictureButton:
            return Reencode(b, DecodePictureButton, EncodePictureButton);
        case abi::kTypeTabControl:
            return Reencode(b, DecodeTabControl, EncodeTabControl);
        default:
            return std::nullopt;
    }
}

TEST(StartWindowForm, ReadsBackAsWritten) {
    const form::Form described = DescribeStartWindow(RoutineOffsets());
    const std::string section = Section();
    auto read = form::ReadForm({reinterpret_cast<const uint8_t*>(section.data()), section.size()});
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(*read, described);
}

TEST(StartWindowForm, EveryTypeBlockDecodesToWhatWasEncoded) {
    const form::Form f = DescribeStartWindow(RoutineOffsets());
    for (const form::Unit& unit : f.units) {
        const auto* block = std::get_if<form::UnitBlock>(&unit);
        if (block == nullptr) continue;
        SCOPED_TRACE(testing::Message() << std::hex << block->unit_id);
        auto again = ReencodeByType(block->type, block->type_block);
        if (!again) {
            EXPECT_EQ(block->type, abi::kTypeColorPicker);
            EXPECT_TRUE(block->type_block.empty());
            continue;
        }
        ASSERT_TRUE(again->ok()) << again->error().message;
        if (block->type_block.empty()) continue;  // decoded to the defaults
        EXPECT_EQ(**again, block->type_block);
    }
}

TEST(StartWindowForm, OnlyTheThreeDefaultControlsHaveEmptyTypeBlocks) {
    const form::Form f = DescribeStartWindow(RoutineOffsets());
    std::vector<uint32_t> empty;
    for (const form::Unit& unit : f.units) {
        const auto* block = std::get_if<form::UnitBlock>(&unit);
        if (block != nullptr && block->type_block.empty()) empty.push_back(block->unit_id);
    }
    EXPECT_EQ(empty, (std::vector<uint32_t>{Info(Unit::替换编辑框).id, Info(Unit::调节器2).id,
                                            Info(Unit::颜色选择器1).id}));
}

TEST(StartWindowForm, HeaderAndUnitTableDescribeTheBlocks) {
    const std::string s = Section();
    ASSERT_GT(s.size(), 36u);
    EXPECT_EQ(WordAt(s, 0), 8u);
    EXPECT_EQ(WordAt(s, 4), 0x52010001u);
    EXPECT_EQ(WordAt(s, 8), 0x00B98FA0u);
    EXPECT_EQ(WordAt(s, 12), 0x00C7C0F0u);
    EXPECT_EQ(WordAt(s, 16), 0x19010003u);
    EXPECT_EQ(WordAt(s, 20), 0u);
    EXPECT_EQ(WordAt(s, 24), 0u);
    const uint32_t n = WordAt(s, 28);
    // The 48 units of the window as first drawn, and the menu entries added since.
    ASSERT_EQ(n, 58u);
    EXPECT_EQ(WordAt(s, 32), s.size() - 36);

    const size_t ids_at = 36, offsets_at = 36 + 4 * n, blocks_at = 36 + 8 * n;
    uint32_t expected_offset = 0;
    for (uint32_t i = 0; i < n; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(WordAt(s, ids_at + 4 * i), kUnits[i].id);
        const uint32_t offset = WordAt(s, offsets_at + 4 * i);
        EXPECT_EQ(offset, expected_offset);
        ASSERT_LT(blocks_at + offset + 8, s.size());
        EXPECT_EQ(WordAt(s, blocks_at + offset + 4), kUnits[i].type);  // unit type follows
        expected_offset = offset + 4 + WordAt(s, blocks_at + offset);
    }
    EXPECT_EQ(blocks_at + expected_offset, s.size());  // the last block ends the section
}

// The block of unit `u` as stored in the section.
std::string StoredBlock(const std::string& s, Unit u) {
    const size_t i = static_cast<size_t>(u);
    const size_t n = WordAt(s, 28);
    const size_t at = 36 + 8 * n + WordAt(s, 36 + 4 * n + 4 * i);
    return s.substr(at, 4 + WordAt(s, at));
}

// The stored block of a menu item (level 1) with its caption and its routine.
std::string MenuItemBlock(const char* caption, Routine routine) {
    const uint32_t handler = RoutineOffsets().at(static_cast<uint32_t>(routine));
    const std::string body = BlockBytes()
                                 .Words({abi::kTypeMenuEntry})
                                 .Fill(20, 0)
                                 .CString("")
                                 .CString("")
                                 .Words({0, 1, 0})  // reserved, level 1, no submenu
                                 .CString(ToGbk(caption))
                                 .Words({handler})
                                 .Fill(16, 0)
                                 .str();
    return BlockBytes().Words({static_cast<uint32_t>(body.size())}).Raw(body).str();
}

TEST(StartWindowForm, MenuEntryBlockLayout) {
    const std::string s = Section();
    EXPECT_EQ(StoredBlock(s, Unit::菜单载入图片), MenuItemBlock("载入图片", Routine::LoadPicture));

    const std::string bar = StoredBlock(s, Unit::菜单生成指令);
    const std::string caption = ToGbk("生成指令");
    // Level 0 with a submenu, and no handler (-1).
    EXPECT_EQ(bar.substr(30, 12), BlockBytes().Words({0, 0, 1}).str());
    EXPECT_EQ(bar.substr(42, caption.size() + 1), caption + '\0');
    EXPECT_EQ(WordAt(bar, 42 + caption.size() + 1), 0xFFFFFFFFu);
}

// A menu item as the form stores it: its unit, ID, caption and routine.
struct MenuItemRow {
    Unit unit;
    uint32_t id;
    const char* caption;
    Routine routine;
};

void ExpectMenuItems(const std::string& s, std::initializer_list<MenuItemRow> table) {
    for (const MenuItemRow& row : table) {
        SCOPED_TRACE(row.caption);
        EXPECT_EQ(Info(row.unit).id, row.id);
        EXPECT_EQ(Info(row.unit).type, abi::kTypeMenuEntry);
        EXPECT_EQ(StoredBlock(s, row.unit), MenuItemBlock(row.caption, row.routine));
    }
}

// The entries at the end of "生成指令" come after the two step items, each with its own
// handler; every unit before them keeps its place in the unit order.
TEST(StartWindowForm, TheNewCommandEntriesCloseTheGenerateMenuWithTheirHandlers) {
    ExpectMenuItems(Section(),
                    {
                        {Unit::菜单减少颜色, 0x26010190, "减少颜色…", Routine::ReduceColors},
                        {Unit::菜单按亮度分配字符, 0x26010191, "按亮度分配字符…",
                         Routine::AssignCharactersByLightness},
                    });
    EXPECT_EQ(static_cast<uint32_t>(Unit::菜单减少颜色),
              static_cast<uint32_t>(Unit::菜单第二步骤) + 1);
    EXPECT_EQ(static_cast<uint32_t>(Unit::菜单编辑),
              static_cast<uint32_t>(Unit::菜单按亮度分配字符) + 1);
    // The ellipsis is U+2026, one GBK character.
    EXPECT_EQ(ToGbk("…"), "\xA1\xAD");
}

// "保存字符画…", "导出彩色字符画…" and "复制彩色字符画" follow "清除图片" in "文件操作", each with
// its own handler.
TEST(StartWindowForm, TheCharacterPictureEntriesFollowTheFileMenusItemsWithTheirHandlers) {
    ExpectMenuItems(
        Section(),
        {
            {Unit::菜单保存字符画, 0x26010192, "保存字符画…", Routine::SaveCharacterPicture},
            {Unit::菜单导出彩色字符画, 0x26010193, "导出彩色字符画…",
             Routine::ExportColouredPicture},
            {Unit::菜单复制彩色字符画, 0x26010194, "复制彩色字符画", Routine::CopyColouredPicture},
        });
    EXPECT_EQ(static_cast<uint32_t>(Unit::菜单保存字符画),
              static_cast<uint32_t>(Unit::菜单清除图片) + 1);
}

// The scheme entries close "文件操作", and the menu "编辑" with undo and redo follows "生成指令"
// before the boards; every unit before them keeps its place in the unit order.
TEST(StartWindowForm, TheSchemeEntriesCloseTheFileMenuAndTheEditMenuFollowsTheCommands) {
    const std::string s = Section();
    ExpectMenuItems(
        s, {
               {Unit::菜单保存字符方案, 0x2601019E, "保存字符方案…", Routine::SaveCharacterScheme},
               {Unit::菜单载入字符方案, 0x2601019F, "载入字符方案…", Routine::LoadCharacterScheme},
               {Unit::菜单撤销, 0x2601019C, "撤销", Routine::Undo},
               {Unit::菜单重做, 0x2601019D, "重做", Routine::Redo},
           });
    EXPECT_EQ(static_cast<uint32_t>(Unit::菜单保存字符方案),
              static_cast<uint32_t>(Unit::菜单复制彩色字符画) + 1);
    EXPECT_EQ(static_cast<uint32_t>(Unit::菜单生成指令),
              static_cast<uint32_t>(Unit::菜单载入字符方案) + 1);
    EXPECT_EQ(static_cast<uint32_t>(Unit::菜单撤销), static_cast<uint32_t>(Unit::菜单编辑) + 1);
    EXPECT_EQ(static_cast<uint32_t>(Unit::画板1), static_cast<uint32_t>(Unit::菜单重做) + 1);
    // The bar entry "编辑" opens its menu and runs nothing itself.
    const std::string bar = StoredBlock(s, Unit::菜单编辑);
    EXPECT_EQ(Info(Unit::菜单编辑).id, 0x2601019Bu);
    const std::string caption = ToGbk("编辑");
    EXPECT_EQ(bar.substr(30, 12), BlockBytes().Words({0, 0, 1}).str());
    EXPECT_EQ(bar.substr(42, caption.size() + 1), caption + '\0');
    EXPECT_EQ(WordAt(bar, 42 + caption.size() + 1), 0xFFFFFFFFu);
}

// The unit block ends with its type block; check the stored bytes, not only the record.
void ExpectStoredTypeBlock(const std::string& s, Unit u, const std::string& expected) {
    const std::string block = StoredBlock(s, u);
    ASSERT_GE(block.size(), expected.size());
    EXPECT_EQ(block.substr(block.size() - expected.size()), expected);
    EXPECT_EQ(TypeBlockOf(u), expected);
}

TEST(StartWindowForm, PushButtonTypeBlockLayout) {
    ExpectStoredTypeBlock(
        Section(), Unit::按钮11,
        BlockBytes().Words({1, 1, 1, 1, 0, 0}).Counted(ToGbk("第一步\r\n取颜色对应字符")).str());
    ExpectStoredTypeBlock(Section(), Unit::按钮15,
                          BlockBytes().Words({1, 0, 1, 1, 0, 0}).Counted(ToGbk("修改")).str());
}

TEST(StartWindowForm, SizeComboTypeBlockLayout) {
    BlockBytes expected;
    expected.Words({3, 1, 0, 0, 0, 0, 1, 0, 0x00FFFFFF, 0xFFFFFFFF, 0, 0}).Counted("50").U16(5);
    for (const char* item : {"10", "50", "100", "200", "256"}) expected.Counted(item);
    expected.Fill(15, 0);
    ExpectStoredTypeBlock(Section(), Unit::宽组合框1, expected.str());
    EXPECT_EQ(TypeBlockOf(Unit::高组合框1), expected.str());
}

TEST(StartWindowForm, ColourListTypeBlockLayout) {
    const std::string colour = ToGbk("颜色"), characters = ToGbk("对应字符");
    ASSERT_EQ(colour.size(), 4u);
    ASSERT_EQ(characters.size(), 8u);
    const std::string expected =
        BlockBytes()
            .Words({1, 1, 0, 0x00FFFFFF, 0x00FFFFFF, 3, 0, 1, 1, 0,          0, 0, 0, 0,
                    0, 1, 1, 1,          0,          0, 0, 1, 1, 0xFFFFFFFF, 0, 0, 0, 0})
            .Words({40})
            .Byte(0)
            .I32(-1)
            .I32(0)
            .I32(80)
            .CString(colour)
            .Byte(0)
            .I32(-1)
            .I32(0)
            .I32(80)
            .CString(characters)
            .Fill(8, 0)
            .str();
    ExpectStoredTypeBlock(Section(), Unit::颜色分类列表框, expected);
}

TEST(StartWindowForm, FileDialogTypeBlockLayout) {
    const std::string expected = BlockBytes()
                                     .Words({1, 0, 0, 0, 1, 1, 1})
                                     .Fill(44, 0)
                                     .Counted(ToGbk("图像文件(*.bmp)|*.bmp"))
                                     .Words({0})
                                     .Counted("bmp")
                                     .Words({0, 0})
                                     .str();
    ExpectStoredTypeBlock(Section(), Unit::通用对话框1, expected);
}

// The tab list's length word covers the tab count, its repeat and the three tab records;
// with our captions that is 336 bytes, and the three colour words follow it.
TEST(StartWindowForm, TabListLengthCoversCountsAndTabs) {
    const std::string block = TypeBlockOf(Unit::高级选择夹1);
    const size_t length_at = 5 * 4 + 60;
    const std::vector<std::string> captions = {ToGbk("图片转字符"), "Quorix", ToGbk("帮助")};
    size_t tabs = 0;
    for (const std::string& c : captions) tabs += (4 + c.size()) + 60 + 5 * 4 + (4 + c.size()) + 8;
    EXPECT_EQ(8 + tabs, 336u);
    EXPECT_EQ(WordAt(block, length_at), 336u);
    EXPECT_EQ(WordAt(block, length_at + 4), 3u);
    EXPECT_EQ(WordAt(block, length_at + 8), 3u);
    ASSERT_EQ(block.size(), length_at + 4 + 336 + 12);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(WordAt(block, length_at + 340 + 4 * i), 0x00ECECECu);

    auto tabs_read = form::DecodeTabControl(block);
    ASSERT_TRUE(tabs_read.ok()) << tabs_read.error().message;
    EXPECT_EQ(tabs_read->captions, captions);
}

}  // namespace
}  // namespace quorix::app
