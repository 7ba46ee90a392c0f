// The output size: both drawing boards take the width and height chosen in the combo boxes.
#include "app/program.h"

namespace quorix::app {

void ApplyOutputSize(const EventArgs&) {
    const int32_t width =
        rt::ToInteger(rt::TextToNumber(Ctl(Unit::宽组合框1).ReadText(abi::kPropText)));
    const int32_t height =
        rt::ToInteger(rt::TextToNumber(Ctl(Unit::高组合框1).ReadText(abi::kPropText)));
    Ctl(Unit::画板1).Resize(width, height);
    Ctl(Unit::画板2).Resize(width, height);
}

}  // namespace quorix::app
