// The start routine, the shutdown routine and the window's creation handler.
#include <cfenv>

#include "app/program.h"
#include "runtime/history.h"

namespace quorix::app {

void StartProgram(const EventArgs&) {
    std::fesetenv(FE_DFL_ENV);  // rounding to nearest, exceptions masked
    rt::g_bound.host_service(QX_HOST_SERVICE_REGISTER_SHUTDOWN, Address(Ref::ShutDownRoutine));
    rt::g_bound.open_start_window(Ctl(Unit::窗口).triple()[0]);
    rt::g_bound.run_message_loop(0);
    rt::g_bound.end_program(0);
}

void ShutDownProgram(const EventArgs&) {
    // The text StopRequest holds, if any, is freed; the word keeps its value.
    StopRequest().Free();
}

void OpenStartPage(const EventArgs&) {
    const rt::Text page = Constant(Ref::StartPage);
    Browser().WriteText(abi::kPropAddress, page);
    Browser().Navigate(page);
    // From now on the ColorTable marks every character text that is not as wide as the two
    // digits of step one in the output box: the character picture would not line up.
    ColorTable().MarkWidths(1, Ctl(Unit::编辑框1));
    // Undo and redo follow the committed picture (画板2, which 画板1 shows) and the ColorTable.
    rt::history::Follow(Ctl<rt::Board>(Unit::画板2), Ctl<rt::Board>(Unit::画板1), ColorTable());
}

}  // namespace quorix::app
