// Fewer colours: the dialog "减少颜色" shows its result on the picture board while it is open;
// the number of colours chosen there is then applied to both boards, as a load puts a picture
// on both. Step one, run afterwards, lists at most that many colours.
#include "app/program.h"
#include "runtime/history.h"

namespace quorix::app {

void ReduceColors(const EventArgs&) {
    const auto board = Ctl<rt::Board>(Unit::画板1);
    const std::optional<rt::ColorChoice> choice = board.ChooseColors();
    if (!choice) return;
    board.ReduceColors(choice->colours, choice->dither);
    Ctl<rt::Board>(Unit::画板2).ReduceColors(choice->colours, choice->dither);
    rt::history::Record(abi::kHistoryPicture);
}

}  // namespace quorix::app
