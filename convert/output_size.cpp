// The output size: both drawing boards take the width and height chosen in the combo boxes, and
// the boxes show the size they took.
#include "app/program.h"
#include "runtime/history.h"

namespace quorix::app {

void ApplyOutputSize(const EventArgs&) {
    const int32_t width =
        rt::ToInteger(rt::TextToNumber(Ctl(Unit::宽组合框1).ReadText(abi::kPropText)));
    const int32_t height =
        rt::ToInteger(rt::TextToNumber(Ctl(Unit::高组合框1).ReadText(abi::kPropText)));
    const rt::Control board = Ctl(Unit::画板1);
    board.Resize(width, height);
    Ctl(Unit::画板2).Resize(width, height);
    rt::history::Record(abi::kHistoryPicture);
    // The boxes show the size the boards took: a size they refuse (0, -5, "abc", 5000) leaves
    // them as they were, and the boxes must not go on showing what was refused.
    Ctl(Unit::宽组合框1).WriteText(abi::kPropText, rt::NumberToText(board.Width()));
    Ctl(Unit::高组合框1).WriteText(abi::kPropText, rt::NumberToText(board.Height()));
}

}  // namespace quorix::app
