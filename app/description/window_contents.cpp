#include "app/description/window_contents.h"

#include <vector>

#include "app/description/faces.h"
#include "app/description/gbk.h"
#include "app/description/help_text.h"
#include "app/description/symbols.h"
#include "image/form_types.h"

namespace quorix::app {
namespace {

using namespace form;

// LOGFONTA output precision, clip precision, quality and pitch of the two edit boxes' fonts:
// stroke output, stroke clipping, draft quality, variable pitch.
LogFont EditFont(int32_t height, const char* face) {
    LogFont f;
    f.height = height;
    f.weight = 400;
    f.char_set = 134;  // GB2312
    f.out_precision = 3;
    f.clip_precision = 2;
    f.quality = 1;
    f.pitch_and_family = 2;
    f.face = ToGbk(face);
    return f;
}

LogFont TabFont() {
    LogFont f;
    f.height = -12;
    f.weight = 400;
    f.char_set = 134;
    f.face = ToGbk("宋体");
    return f;
}

std::string Button(uint32_t t, const char* caption) {
    return EncodePushButton({.t = t, .caption = ToGbk(caption)});
}

std::string Label(uint32_t w, const char* caption) {
    return EncodeLabel({.w = w, .caption = ToGbk(caption)});
}

std::string Radio(const char* caption) {
    return EncodeRadio({.caption = ToGbk(caption)});
}

// The output-size boxes offer a few common sizes and start at 50.
std::string SizeCombo() {
    ComboProps p;
    p.s = -1;
    p.text = "50";
    p.items = {"10", "50", "100", "200", "256"};
    p.trailing_zeros = 15;
    return EncodeCombo(p);
}

std::string SymbolCombo(int32_t s, const char* text) {
    ComboProps p;
    p.s = s;
    p.text = ToGbk(text);
    for (const char* symbol : SymbolList()) p.items.push_back(ToGbk(symbol));
    p.trailing_zeros = 12;
    return EncodeCombo(p);
}

std::string Edit(uint32_t a, uint32_t b, uint32_t c, LogFont font, const std::string& text) {
    return EncodeEdit({.a = a, .b = b, .c = c, .font = std::move(font), .text = ToGbk(text)});
}

std::string ColourList() {
    return EncodeListView({.columns = {{ToGbk("颜色"), 80}, {ToGbk("对应字符"), 80}}});
}

std::string ResetButton() {
    return EncodePictureButton({.face1 = ResetButtonFace(),
                                .face2 = ResetButtonPressedFace(),
                                .text = ToGbk("查看文字大小复位")});
}

std::string Tabs() {
    return EncodeTabControl(
        {.font = TabFont(), .captions = {ToGbk("图片转字符"), "Quorix", ToGbk("帮助")}});
}

std::string PictureDialog() {
    return EncodeFileDialog({.filter = ToGbk("图像文件(*.bmp)|*.bmp"), .default_extension = "bmp"});
}

// Push buttons. The small buttons beside the output box and 按钮15 have t = 0.
struct ButtonRow {
    Unit unit;
    uint32_t t;
    const char* caption;
};
constexpr ButtonRow kButtons[] = {
    {Unit::按钮5, 0, "清空"},
    {Unit::停止, 1, "停止"},
    {Unit::复制按钮, 0, "复制"},
    {Unit::按钮4, 0, "替换"},
    {Unit::按钮2, 1, "保存图片"},
    {Unit::按钮3, 1, "载入图片"},
    {Unit::按钮11, 1, "第一步\r\n取颜色对应字符"},
    {Unit::按钮15, 0, "修改"},
    {Unit::按钮13, 1, "第二步\r\n转换为Quorix"},
    {Unit::按钮16, 1, "设置输出大小"},
    {Unit::按钮1, 1, "清除画面"},
};

// Labels: w = 1 on the only two-line caption.
struct LabelRow {
    Unit unit;
    uint32_t w;
    const char* caption;
};
constexpr LabelRow kLabels[] = {
    {Unit::透明标签4, 0, "替换字符"},
    {Unit::透明标签3, 0, "提取字符"},
    {Unit::透明标签1, 1, "宽\r\n\r\n高"},
    {Unit::透明标签2, 0, "3"},
};

// Pen tools; none is checked at start.
struct RadioRow {
    Unit unit;
    const char* caption;
};
constexpr RadioRow kRadios[] = {
    {Unit::画线, "·"}, {Unit::画直线, "▂"}, {Unit::画四边形, "口"},
    {Unit::画圆, "○"}, {Unit::画弧线, "⌒"},
};

// The units that are no button, label or radio box.
std::string OtherBlockOf(Unit u) {
    switch (u) {
        case Unit::宽组合框1:
        case Unit::高组合框1:
            return SizeCombo();
        case Unit::修改对应编辑框:
            return SymbolCombo(33, "");
        case Unit::修改对应编辑框1:
            return SymbolCombo(-1, "  ");
        case Unit::编辑框3:
            return Edit(5, 0, 1, EditFont(-19, "黑体"), HelpBoxText());
        case Unit::编辑框1:
            return Edit(1, 3, 0, EditFont(-7, "宋体"), "");
        case Unit::画板1:
            return EncodeBoard({.e = 5});
        case Unit::画板2:
            return EncodeBoard({.e = 0});
        case Unit::外形框1:
            return EncodeShapeBox({.f = 3, .colour = 0});
        case Unit::对应修改颜色框:
            return EncodeShapeBox({.f = 1, .colour = 0x00C0C0C0});
        case Unit::调节器1:
            return EncodeSpin({});
        case Unit::取色字符进度条:
            return EncodeProgress({});
        case Unit::超文本浏览框1:
            return EncodeBrowser({});
        case Unit::通用对话框1:
            return PictureDialog();
        case Unit::颜色分类列表框:
            return ColourList();
        case Unit::字体大小复位按钮:
            return ResetButton();
        case Unit::高级选择夹1:
            return Tabs();
        default:
            // 替换编辑框, 调节器2 and 颜色选择器1 start at their kind's defaults; the window's
            // block is written with the window itself; menu entries have none.
            return {};
    }
}

}  // namespace

std::string TypeBlockOf(Unit u) {
    for (const ButtonRow& b : kButtons) {
        if (b.unit == u) return Button(b.t, b.caption);
    }
    for (const LabelRow& l : kLabels) {
        if (l.unit == u) return Label(l.w, l.caption);
    }
    for (const RadioRow& r : kRadios) {
        if (r.unit == u) return Radio(r.caption);
    }
    return OtherBlockOf(u);
}

}  // namespace quorix::app
