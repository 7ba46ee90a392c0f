// What every routine of the program uses: its controls by name, its constants, its global
// variables, and the signature shared by all routines.
#pragma once

#include "app/program_layout.h"
#include "runtime/controls.h"

namespace quorix::app {

// Arguments of the event that runs a routine (x, y, key state; a spin direction; or none).
struct EventArgs {
    const int32_t* values = nullptr;
    uint32_t count = 0;
    int32_t operator[](uint32_t i) const { return i < count ? values[i] : 0; }
};
using RoutineFn = void (*)(const EventArgs&);

// Every routine, by its name in the routine table.
#define QUORIX_DECLARE_ROUTINE(id, name) void name(const EventArgs& args);
QUORIX_ROUTINES(QUORIX_DECLARE_ROUTINE)
#undef QUORIX_DECLARE_ROUTINE

template <typename T = rt::Control>
T Ctl(Unit u) {
    return T(OperandOf(u));
}
inline rt::ListView ColorTable() {
    return rt::ListView(OperandOf(Unit::颜色分类列表框), kOperandIext);
}
inline rt::TabControl TabPages() {
    return rt::TabControl(OperandOf(Unit::高级选择夹1), kOperandIext3);
}
inline rt::Browser Browser() {
    return rt::Browser(OperandOf(Unit::超文本浏览框1), kOperandHtmlView);
}

inline QxAddr Address(Ref r) {
    return rt::Reference(static_cast<uint32_t>(r));
}
inline rt::Text Constant(Ref r) {
    return rt::Text::Constant(Address(r));
}
inline double ConstantNumber(Ref r) {
    return rt::LoadDouble(Address(r));
}

// Shows the runtime's message for something that failed (a save, a load); the empty text means
// it went well, and nothing shows.
inline void SayIfFailed(const rt::Text& failure) {
    if (!failure.empty()) rt::ShowMessage(failure, Constant(Ref::ProductName));
}

inline rt::TextVariable StopRequest() {
    return rt::TextVariable(Address(Ref::StopRequest));
}
inline rt::IntVariable PenDown() {
    return rt::IntVariable(Address(Ref::PenDown));
}
inline rt::IntVariable PenStartX() {
    return rt::IntVariable(Address(Ref::PenStartX));
}
inline rt::IntVariable PenStartY() {
    return rt::IntVariable(Address(Ref::PenStartY));
}

}  // namespace quorix::app
