#include "app/description/window_description.h"

#include <cstdlib>

#include "app/description/gbk.h"
#include "app/description/window_contents.h"
#include "app/program_layout.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace quorix::app {
namespace {

using form::kFlagFocus;
using form::kFlagVisible;

constexpr uint32_t kShown = kFlagVisible;
constexpr uint32_t kShownFocus = kFlagVisible | kFlagFocus;
constexpr uint32_t kTabControlFlags = 0x11;
constexpr uint32_t kOutputBoxFlags = 0x17;

struct Place {
    Unit unit;
    Unit parent;  // 窗口 when placed directly on the window
    int32_t left, top, width, height;
    uint32_t flags;
};

// Every control in unit order: where it sits and whether it shows.
constexpr Place kPlaces[] = {
    {Unit::编辑框3, Unit::高级选择夹1, 8, 32, 976, 288, kShownFocus},
    {Unit::高级选择夹1, Unit::窗口, 0, 0, 1000, 328, kTabControlFlags},
    {Unit::按钮5, Unit::窗口, 8, 570, 40, 20, kShownFocus},
    {Unit::停止, Unit::窗口, 8, 525, 40, 40, kShownFocus},
    {Unit::复制按钮, Unit::窗口, 8, 480, 40, 40, kShownFocus},
    {Unit::透明标签4, Unit::窗口, 5, 409, 48, 20, kShown},
    {Unit::透明标签3, Unit::窗口, 5, 361, 48, 20, kShown},
    {Unit::按钮4, Unit::窗口, 8, 456, 40, 20, kShownFocus},
    {Unit::替换编辑框, Unit::窗口, 6, 385, 43, 20, kShownFocus},
    {Unit::修改对应编辑框1, Unit::窗口, 6, 433, 42, 20, kShownFocus},
    {Unit::字体大小复位按钮, Unit::窗口, 8, 336, 20, 20, kShownFocus},
    {Unit::调节器2, Unit::窗口, 32, 336, 20, 20, kShown},
    {Unit::超文本浏览框1, Unit::高级选择夹1, 3, 32, 988, 288, kShownFocus},
    {Unit::按钮2, Unit::高级选择夹1, 736, 137, 63, 26, kShownFocus},
    {Unit::按钮3, Unit::高级选择夹1, 736, 111, 63, 26, kShownFocus},
    {Unit::通用对话框1, Unit::高级选择夹1, 952, 88, 26, 26, 0},
    {Unit::按钮11, Unit::高级选择夹1, 676, 195, 124, 40, kShownFocus},
    {Unit::对应修改颜色框, Unit::高级选择夹1, 676, 235, 124, 30, kShown},
    {Unit::按钮15, Unit::对应修改颜色框, 78, 4, 40, 20, kShownFocus},
    {Unit::修改对应编辑框, Unit::对应修改颜色框, 26, 5, 52, 20, kShownFocus},
    {Unit::按钮13, Unit::高级选择夹1, 676, 264, 124, 40, kShownFocus},
    {Unit::按钮16, Unit::高级选择夹1, 736, 31, 63, 32, kShownFocus},
    {Unit::宽组合框1, Unit::高级选择夹1, 751, 67, 48, 20, kShownFocus},
    {Unit::透明标签1, Unit::高级选择夹1, 736, 70, 19, 43, kShown},
    {Unit::高组合框1, Unit::高级选择夹1, 751, 90, 48, 20, kShownFocus},
    {Unit::按钮1, Unit::高级选择夹1, 736, 163, 63, 26, kShownFocus},
    {Unit::取色字符进度条, Unit::高级选择夹1, 14, 312, 780, 10, kShown},
    {Unit::画弧线, Unit::外形框1, 8, 88, 40, 20, kShownFocus},
    {Unit::颜色分类列表框, Unit::高级选择夹1, 802, 32, 186, 290, kShownFocus},
    {Unit::透明标签2, Unit::外形框1, 31, 112, 20, 20, kShown},
    {Unit::调节器1, Unit::外形框1, 8, 112, 20, 20, kShown},
    {Unit::颜色选择器1, Unit::外形框1, 10, 137, 40, 20, kShownFocus},
    {Unit::画线, Unit::外形框1, 8, 8, 40, 20, kShownFocus},
    {Unit::画直线, Unit::外形框1, 8, 28, 40, 20, kShownFocus},
    {Unit::画四边形, Unit::外形框1, 8, 48, 40, 20, kShownFocus},
    {Unit::画圆, Unit::外形框1, 8, 68, 40, 20, kShownFocus},
    {Unit::外形框1, Unit::高级选择夹1, 676, 31, 56, 160, kShown},
    {Unit::画板1, Unit::高级选择夹1, 8, 32, 100, 100, kShown},
    {Unit::画板2, Unit::高级选择夹1, 144, 32, 100, 100, 0},
    {Unit::编辑框1, Unit::窗口, 56, 328, 938, 264, kOutputBoxFlags},
};

// Children as the containers list them; the tab control closes each tab's list with 0.
constexpr Unit kTab1[] = {
    Unit::按钮2,          Unit::按钮3,     Unit::通用对话框1, Unit::按钮11,
    Unit::对应修改颜色框, Unit::按钮13,    Unit::按钮16,      Unit::宽组合框1,
    Unit::透明标签1,      Unit::高组合框1, Unit::按钮1,       Unit::取色字符进度条,
    Unit::颜色分类列表框, Unit::外形框1,   Unit::画板1,       Unit::画板2};
constexpr Unit kTab2[] = {Unit::超文本浏览框1};
constexpr Unit kTab3[] = {Unit::编辑框3};
constexpr Unit kPenFrame[] = {Unit::画弧线, Unit::透明标签2, Unit::调节器1,  Unit::颜色选择器1,
                              Unit::画线,   Unit::画直线,    Unit::画四边形, Unit::画圆};
constexpr Unit kEditFrame[] = {Unit::按钮15, Unit::修改对应编辑框};

struct Binding {
    Unit unit;
    int32_t event;
    Routine routine;
};

// Which routine answers which event.
constexpr Binding kBindings[] = {
    {Unit::窗口, abi::kEvCreated, Routine::OpenStartPage},
    {Unit::高级选择夹1, abi::kEvTabChanged, Routine::ArrangeTabPage},
    {Unit::画板1, abi::kEvLeftDown, Routine::PressPen},
    {Unit::画板1, abi::kEvLeftUp, Routine::ReleasePen},
    {Unit::画板1, abi::kEvRightDown, Routine::PopUpFileMenu},
    {Unit::画板1, abi::kEvPointerMoved, Routine::MovePen},
    {Unit::调节器1, abi::kEvSpin, Routine::StepPenWidth},
    {Unit::颜色选择器1, abi::kEvColourChanged, Routine::ChangePenColor},
    {Unit::按钮1, abi::kEvClicked, Routine::ClickClearPicture},
    {Unit::按钮3, abi::kEvClicked, Routine::ClickLoadPicture},
    {Unit::按钮2, abi::kEvClicked, Routine::ClickSavePicture},
    {Unit::按钮16, abi::kEvClicked, Routine::ApplyOutputSize},
    {Unit::按钮11, abi::kEvClicked, Routine::ClassifyColors},
    {Unit::停止, abi::kEvClicked, Routine::RequestStop},
    {Unit::颜色分类列表框, abi::kEvSelectionChanged, Routine::ShowSelectedMapping},
    {Unit::按钮15, abi::kEvClicked, Routine::ModifyMapping},
    {Unit::按钮13, abi::kEvClicked, Routine::GenerateCharacterPicture},
    {Unit::调节器2, abi::kEvSpin, Routine::StepTextSize},
    {Unit::字体大小复位按钮, abi::kEvClicked, Routine::ResetTextSize},
    {Unit::按钮5, abi::kEvClicked, Routine::ClearOutput},
    {Unit::复制按钮, abi::kEvClicked, Routine::CopyOutput},
    {Unit::按钮4, abi::kEvClicked, Routine::ReplaceCharacters},
};

struct MenuDef {
    Unit unit;
    uint32_t level;
    const char* caption;
    int routine;  // a Routine id, or -1
};

constexpr MenuDef kMenus[] = {
    {Unit::菜单文件操作, 0, "文件操作", -1},
    {Unit::菜单载入图片, 1, "载入图片", static_cast<int>(Routine::LoadPicture)},
    {Unit::菜单保存图片, 1, "保存图片", static_cast<int>(Routine::SavePicture)},
    {Unit::菜单清除图片, 1, "清除图片", static_cast<int>(Routine::ClearPicture)},
    // The character picture kept and shared.
    {Unit::菜单保存字符画, 1, "保存字符画…", static_cast<int>(Routine::SaveCharacterPicture)},
    {Unit::菜单导出彩色字符画, 1, "导出彩色字符画…",
     static_cast<int>(Routine::ExportColouredPicture)},
    {Unit::菜单复制彩色字符画, 1, "复制彩色字符画", static_cast<int>(Routine::CopyColouredPicture)},
    // Character schemes.
    {Unit::菜单保存字符方案, 1, "保存字符方案…", static_cast<int>(Routine::SaveCharacterScheme)},
    {Unit::菜单载入字符方案, 1, "载入字符方案…", static_cast<int>(Routine::LoadCharacterScheme)},
    {Unit::菜单生成指令, 0, "生成指令", -1},
    {Unit::菜单第一步骤, 1, "第一步骤一取图像颜色", -1},
    {Unit::菜单第二步骤, 1, "第二步骤一生成对应Quorix", -1},
    {Unit::菜单减少颜色, 1, "减少颜色…", static_cast<int>(Routine::ReduceColors)},
    {Unit::菜单按亮度分配字符, 1, "按亮度分配字符…",
     static_cast<int>(Routine::AssignCharactersByLightness)},
    // The menu "编辑": undo and redo.
    {Unit::菜单编辑, 0, "编辑", -1},
    {Unit::菜单撤销, 1, "撤销", static_cast<int>(Routine::Undo)},
    {Unit::菜单重做, 1, "重做", static_cast<int>(Routine::Redo)},
    // End of the menu "编辑".
};

constexpr const char kCaption[] =
    "Quorix----(当程序进行第二步的时候，请不要转换到其他软件或做其他事情，静待第二步骤完成，"
    "若中途做其他事情将会影响生成结果)";

template <size_t N>
void AddChildren(std::vector<uint32_t>& children, const Unit (&units)[N]) {
    for (Unit u : units) children.push_back(Info(u).id);
}

std::vector<uint32_t> ChildrenOf(Unit u) {
    std::vector<uint32_t> children;
    if (u == Unit::高级选择夹1) {
        AddChildren(children, kTab1);
        children.push_back(0);
        AddChildren(children, kTab2);
        children.push_back(0);
        AddChildren(children, kTab3);
        children.push_back(0);
    } else if (u == Unit::外形框1) {
        AddChildren(children, kPenFrame);
    } else if (u == Unit::对应修改颜色框) {
        AddChildren(children, kEditFrame);
    }
    return children;
}

std::vector<form::EventBinding> EventsOf(Unit u, const std::map<uint32_t, uint32_t>& offsets) {
    std::vector<form::EventBinding> events;
    for (const Binding& b : kBindings) {
        if (b.unit == u) {
            events.push_back({b.event, offsets.at(static_cast<uint32_t>(b.routine))});
        }
    }
    return events;
}

}  // namespace

form::Form DescribeStartWindow(const std::map<uint32_t, uint32_t>& routine_offsets) {
    form::Form f;
    f.window_id = kStartWindowId;

    form::UnitBlock window;
    window.unit_id = Info(Unit::窗口).id;
    window.type = Info(Unit::窗口).type;
    window.left = 50;
    window.top = 50;
    window.width = 1000;
    window.height = 640;
    window.flags = kFlagVisible;
    window.events = EventsOf(Unit::窗口, routine_offsets);
    form::WindowProps props;
    props.caption = ToGbk(kCaption);
    window.type_block = form::EncodeWindow(props);
    f.units.emplace_back(std::move(window));

    // Controls, then the menu entries, in unit order.
    size_t place = 0;
    for (uint32_t i = 1; i < kUnitCount; ++i) {
        const Unit u = static_cast<Unit>(i);
        const UnitInfo& info = Info(u);
        if (info.type == abi::kTypeMenuEntry) {
            for (const MenuDef& m : kMenus) {
                if (m.unit != u) continue;
                form::MenuEntry entry;
                entry.unit_id = info.id;
                entry.level = m.level;
                entry.opens_submenu = m.level == 0;
                entry.caption = ToGbk(m.caption);
                entry.handler_offset = m.routine < 0 ? -1
                                                     : static_cast<int32_t>(routine_offsets.at(
                                                           static_cast<uint32_t>(m.routine)));
                f.units.emplace_back(std::move(entry));
            }
            continue;
        }
        const Place& p = kPlaces[place++];
        if (p.unit != u) std::abort();  // the table above must follow unit order
        form::UnitBlock block;
        block.unit_id = info.id;
        block.type = info.type;
        block.name = ToGbk(info.name);
        block.left = p.left;
        block.top = p.top;
        block.width = p.width;
        block.height = p.height;
        block.parent = p.parent == Unit::窗口 ? 0 : Info(p.parent).id;
        block.children = ChildrenOf(u);
        block.flags = p.flags;
        block.events = EventsOf(u, routine_offsets);
        block.type_block = TypeBlockOf(u);
        f.units.emplace_back(std::move(block));
    }
    return f;
}

image::Result<std::vector<uint8_t>> WriteStartWindow(
    const std::map<uint32_t, uint32_t>& routine_offsets) {
    return form::WriteForm(DescribeStartWindow(routine_offsets));
}

}  // namespace quorix::app
