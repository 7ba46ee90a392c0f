// How the window shows things: the tab page arrangement and the output text size (the zoom
// of the character picture).
#include "app/program.h"

namespace quorix::app {

void ArrangeTabPage(const EventArgs&) {
    const rt::TabControl tabs = TabPages();
    const rt::Text caption = tabs.TabCaption(tabs.CurrentTab());
    if (caption == Constant(Ref::ProductName)) {
        tabs.SetHeight(Ctl(Unit::窗口).Height());
        const double below = ConstantNumber(Ref::Sixty);
        Browser().SetHeight(rt::ToInteger(tabs.Height() - below));
    } else {
        tabs.SetHeight(328);
    }
}

void StepTextSize(const EventArgs& args) {
    const rt::Control output = Ctl(Unit::编辑框1);
    const int32_t size = output.ReadInt(abi::kPropFont, abi::kFontSize);
    if (args[0] == 1) {
        output.WriteInt(abi::kPropFont, size + 1, abi::kFontSize);
    } else if (args[0] == -1) {
        output.WriteInt(abi::kPropFont, size - 1, abi::kFontSize);
        if (output.ReadInt(abi::kPropFont, abi::kFontSize) == 0) {
            output.WriteInt(abi::kPropFont, 1, abi::kFontSize);
        }
    }
}

void ResetTextSize(const EventArgs&) {
    Ctl(Unit::编辑框1).WriteInt(abi::kPropFont, 8, abi::kFontSize);
}

}  // namespace quorix::app
