// The pen tools on the picture board: the pointer handlers of 画板1, the pen width spin, the
// colour picker and clearing the picture.
//
// 画板2 holds the committed picture. Every pointer movement restores 画板1 from it and then
// draws the figure being dragged, so line, ellipse, rectangle and arc follow the pointer as one
// rubber-band figure; a release commits the figure to 画板2.
#include "app/program.h"
#include "runtime/history.h"

namespace quorix::app {
namespace {

bool Checked(Unit radio) {
    return Ctl(radio).ReadInt(abi::kPropChecked) != 0;
}

// Draws the figure of the first checked figure tool from the pen's start point to (x, y).
// Returns false when none of them is checked.
bool DrawFigure(const rt::Board& board, int32_t x, int32_t y, bool freehand_first) {
    const int32_t sx = PenStartX().get();
    const int32_t sy = PenStartY().get();
    if (Checked(Unit::画直线)) {
        board.Line(sx, sy, x, y);
    } else if (Checked(Unit::画圆)) {
        board.Ellipse(sx, sy, x, y);
    } else if (Checked(Unit::画四边形)) {
        board.Rectangle(sx, sy, x, y);
    } else if (freehand_first && Checked(Unit::画线)) {
        const auto picture = Ctl<rt::Board>(Unit::画板1);
        Ctl<rt::Board>(Unit::画板2).SetPixel(x, y, picture.ReadInt(abi::kPropPenColor));
    } else if (Checked(Unit::画弧线)) {
        board.Arc(sx, sy, x, y, sx, sy, x, y);
    } else {
        return false;
    }
    return true;
}

}  // namespace

void PressPen(const EventArgs& args) {
    PenStartX().set(args[0]);
    PenStartY().set(args[1]);
    PenDown().set(1);
}

void MovePen(const EventArgs& args) {
    const auto picture = Ctl<rt::Board>(Unit::画板1);
    Ctl<rt::Board>(Unit::画板2).CopyTo(picture);
    if (PenDown().get() != 1) return;
    DrawFigure(picture, args[0], args[1], /*freehand_first=*/true);
}

void ReleasePen(const EventArgs& args) {
    PenDown().set(0);
    DrawFigure(Ctl<rt::Board>(Unit::画板2), args[0], args[1], /*freehand_first=*/false);
    // One change per figure; a freehand stroke's pixels, set while it was drawn, end with it.
    rt::history::Record(abi::kHistoryPicture);
}

void PopUpFileMenu(const EventArgs&) {
    Ctl<rt::Window>(Unit::窗口).PopupMenu(Ctl(Unit::菜单文件操作));
}

void StepPenWidth(const EventArgs& args) {
    const rt::Control label = Ctl(Unit::透明标签2);
    const int32_t direction = args[0];
    if (direction == 1) {
        const double width = rt::TextToNumber(label.ReadText(abi::kPropCaption));
        label.WriteText(abi::kPropCaption, rt::NumberToText(width + ConstantNumber(Ref::One)));
    } else if (direction == -1) {
        const double width = rt::TextToNumber(label.ReadText(abi::kPropCaption));
        label.WriteText(abi::kPropCaption, rt::NumberToText(width - ConstantNumber(Ref::One)));
        const double now = rt::TextToNumber(label.ReadText(abi::kPropCaption));
        const double tolerance = ConstantNumber(Ref::Tolerance);
        if (now > -tolerance && now < tolerance) {
            label.WriteText(abi::kPropCaption, Constant(Ref::TextOne));
        }
    }
    const int32_t pen = rt::ToInteger(rt::TextToNumber(label.ReadText(abi::kPropCaption)));
    Ctl(Unit::画板2).WriteInt(abi::kPropPenWidth, pen);
    Ctl(Unit::画板1).WriteInt(abi::kPropPenWidth, pen);
}

void ChangePenColor(const EventArgs&) {
    const int32_t colour = Ctl(Unit::颜色选择器1).ReadInt(abi::kPropColor);
    Ctl(Unit::画板2).WriteInt(abi::kPropPenColor, colour);
    Ctl(Unit::画板1).WriteInt(abi::kPropPenColor, colour);
}

void ClearPicture(const EventArgs&) {
    Ctl<rt::Board>(Unit::画板1).Clear();
    Ctl<rt::Board>(Unit::画板2).Clear();
    rt::history::Record(abi::kHistoryPicture);
}

void ClickClearPicture(const EventArgs& args) {
    ClearPicture(args);
}

}  // namespace quorix::app
