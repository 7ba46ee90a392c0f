// The units of the start window: its own unit, its controls and its menu entries, in unit
// order, with their IDs and unit types. The IDs are stored in the window description and in
// the code section; they never change.
#pragma once

#include <cstdint>

#include "runtime/commands.h"

namespace quorix::app {

constexpr uint32_t kStartWindowId = 0x52010001;

// X(name, unit ID, unit type)
#define QUORIX_UNITS(X)                                      \
    X(窗口, 0x06010000, abi::kTypeWindow)                    \
    X(编辑框3, 0x1601003F, abi::kTypeEditBox)                \
    X(高级选择夹1, 0x16010040, abi::kTypeTabControl)         \
    X(按钮5, 0x16010041, abi::kTypePushButton)               \
    X(停止, 0x16010042, abi::kTypePushButton)                \
    X(复制按钮, 0x16010043, abi::kTypePushButton)            \
    X(透明标签4, 0x16010044, abi::kTypeTransparentLabel)     \
    X(透明标签3, 0x16010045, abi::kTypeTransparentLabel)     \
    X(按钮4, 0x16010046, abi::kTypePushButton)               \
    X(替换编辑框, 0x16010047, abi::kTypeEditBox)             \
    X(修改对应编辑框1, 0x16010048, abi::kTypeComboBox)       \
    X(字体大小复位按钮, 0x16010049, abi::kTypePictureButton) \
    X(调节器2, 0x1601004A, abi::kTypeSpinControl)            \
    X(超文本浏览框1, 0x1601004B, abi::kTypeBrowserBox)       \
    X(按钮2, 0x1601004C, abi::kTypePushButton)               \
    X(按钮3, 0x1601004D, abi::kTypePushButton)               \
    X(通用对话框1, 0x1601004E, abi::kTypeFileDialog)         \
    X(按钮11, 0x1601004F, abi::kTypePushButton)              \
    X(对应修改颜色框, 0x16010050, abi::kTypeShapeBox)        \
    X(按钮15, 0x16010051, abi::kTypePushButton)              \
    X(修改对应编辑框, 0x16010052, abi::kTypeComboBox)        \
    X(按钮13, 0x16010053, abi::kTypePushButton)              \
    X(按钮16, 0x16010054, abi::kTypePushButton)              \
    X(宽组合框1, 0x16010055, abi::kTypeComboBox)             \
    X(透明标签1, 0x16010056, abi::kTypeTransparentLabel)     \
    X(高组合框1, 0x16010057, abi::kTypeComboBox)             \
    X(按钮1, 0x16010058, abi::kTypePushButton)               \
    X(取色字符进度条, 0x16010059, abi::kTypeProgressBar)     \
    X(画弧线, 0x1601005A, abi::kTypeRadioBox)                \
    X(颜色分类列表框, 0x1601005B, abi::kTypeListView)        \
    X(透明标签2, 0x1601005C, abi::kTypeTransparentLabel)     \
    X(调节器1, 0x1601005D, abi::kTypeSpinControl)            \
    X(颜色选择器1, 0x1601005E, abi::kTypeColorPicker)        \
    X(画线, 0x1601005F, abi::kTypeRadioBox)                  \
    X(画直线, 0x16010060, abi::kTypeRadioBox)                \
    X(画四边形, 0x16010061, abi::kTypeRadioBox)              \
    X(画圆, 0x16010062, abi::kTypeRadioBox)                  \
    X(外形框1, 0x16010063, abi::kTypeShapeBox)               \
    X(菜单文件操作, 0x26010182, abi::kTypeMenuEntry)         \
    X(菜单载入图片, 0x26010183, abi::kTypeMenuEntry)         \
    X(菜单保存图片, 0x26010184, abi::kTypeMenuEntry)         \
    X(菜单清除图片, 0x26010185, abi::kTypeMenuEntry)         \
    X(菜单保存字符画, 0x26010192, abi::kTypeMenuEntry)       \
    X(菜单导出彩色字符画, 0x26010193, abi::kTypeMenuEntry)   \
    X(菜单复制彩色字符画, 0x26010194, abi::kTypeMenuEntry)   \
    /* character schemes, at the end of "文件操作" */    \
    X(菜单保存字符方案, 0x2601019E, abi::kTypeMenuEntry)     \
    X(菜单载入字符方案, 0x2601019F, abi::kTypeMenuEntry)     \
    X(菜单生成指令, 0x26010186, abi::kTypeMenuEntry)         \
    X(菜单第一步骤, 0x26010187, abi::kTypeMenuEntry)         \
    X(菜单第二步骤, 0x2601018F, abi::kTypeMenuEntry)         \
    X(菜单减少颜色, 0x26010190, abi::kTypeMenuEntry)         \
    X(菜单按亮度分配字符, 0x26010191, abi::kTypeMenuEntry)   \
    /* the menu "编辑": undo and redo */                   \
    X(菜单编辑, 0x2601019B, abi::kTypeMenuEntry)             \
    X(菜单撤销, 0x2601019C, abi::kTypeMenuEntry)             \
    X(菜单重做, 0x2601019D, abi::kTypeMenuEntry)             \
    X(画板1, 0x16010064, abi::kTypeDrawingBoard)             \
    X(画板2, 0x16010065, abi::kTypeDrawingBoard)             \
    X(编辑框1, 0x1601023B, abi::kTypeEditBox)

enum class Unit : uint32_t {
#define QUORIX_UNIT_ENUM(name, id, type) name,
    QUORIX_UNITS(QUORIX_UNIT_ENUM)
#undef QUORIX_UNIT_ENUM
        kCount
};

struct UnitInfo {
    const char* name;  // UTF-8; menu entries have no stored name
    uint32_t id;
    uint32_t type;
};

inline constexpr UnitInfo kUnits[] = {
#define QUORIX_UNIT_INFO(name, id, type) {#name, id, type},
    QUORIX_UNITS(QUORIX_UNIT_INFO)
#undef QUORIX_UNIT_INFO
};
constexpr uint32_t kUnitCount = static_cast<uint32_t>(Unit::kCount);
static_assert(sizeof kUnits / sizeof kUnits[0] == kUnitCount);

constexpr const UnitInfo& Info(Unit u) {
    return kUnits[static_cast<uint32_t>(u)];
}

}  // namespace quorix::app
