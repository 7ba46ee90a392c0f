#include "runtime/controls.h"

namespace quorix::rt {

Control::Control(uint32_t operand) {
    triple_[0] = Operand(operand);
    triple_[1] = Operand(operand + 1);
    triple_[2] = Operand(operand + 2);
}

Text Control::ReadText(uint32_t property, int32_t member) const {
    return Text::Owned(g_bound.read_property(triple_[0], triple_[1], property, member));
}

void Control::WriteText(uint32_t property, const Text& value, int32_t member) const {
    g_bound.write_property(triple_[0], triple_[1], property, member, value.address(), 0);
}

uint64_t Control::Core(uint32_t command) const {
    return CallCore(command, *this);
}

void Control::Resize(int32_t width, int32_t height) const {
    CallCore(abi::kCmdControlMove, *this, kOmitted, kOmitted, width, height);
}

void Control::SetHeight(int32_t height) const {
    CallCore(abi::kCmdControlMove, *this, kOmitted, kOmitted, kOmitted, height);
}

void Control::SetFocus() const {
    Core(abi::kCmdControlSetFocus);
}

// ---- Drawing board ----------------------------------------------------------------------
void Board::SetPixel(int32_t x, int32_t y, int32_t colour) const {
    CallCore(abi::kCmdBoardSetPixel, *this, x, y, colour);
}

void Board::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
    CallCore(abi::kCmdBoardLine, *this, x1, y1, x2, y2);
}

void Board::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
    CallCore(abi::kCmdBoardEllipse, *this, x1, y1, x2, y2);
}

void Board::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
    CallCore(abi::kCmdBoardRectangle, *this, x1, y1, x2, y2);
}

void Board::Arc(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t xs, int32_t ys, int32_t xe,
                int32_t ye) const {
    CallCore(abi::kCmdBoardArc, *this, x1, y1, x2, y2, xs, ys, xe, ye);
}

void Board::Clear() const {
    Core(abi::kCmdBoardClear);
}

void Board::CopyTo(const Board& target) const {
    CallCore(abi::kCmdBoardCopyTo, *this, target);
}

void Board::DrawPicture(const Binary& picture, int32_t left, int32_t top, int32_t width,
                        int32_t height, int32_t transparent) const {
    CallCore(abi::kCmdBoardDrawPicture, *this, picture, left, top, width, height, transparent);
}

Binary Board::PictureAsBmp(int32_t width, int32_t height) const {
    return Binary(static_cast<QxAddr>(CallCore(abi::kCmdBoardGetBmp, *this, width, height)));
}

int32_t Board::ReduceColors(int32_t colours, bool dither) const {
    return Low(CallCore(abi::kCmdBoardReduceColors, *this, colours, dither));
}

std::optional<ColorChoice> Board::ChooseColors() const {
    const auto chosen = static_cast<uint32_t>(Low(Core(abi::kCmdBoardChooseColors)));
    if (chosen == 0) return std::nullopt;
    return ColorChoice{static_cast<int32_t>(chosen & (abi::kChoiceDither - 1)),
                       (chosen & abi::kChoiceDither) != 0};
}

Binary Board::Picture(abi::PictureFormat format, int32_t width, int32_t height) const {
    return Binary(
        static_cast<QxAddr>(CallCore(abi::kCmdBoardGetPicture, *this, width, height, format)));
}

// ---- List view --------------------------------------------------------------------------
ListView::ListView(uint32_t operand, uint32_t library_operand)
    : Control(operand), library_(Operand(library_operand)) {}

void ListView::DeleteAllRows() const {
    CallLibrary(library_, abi::kCmdListDeleteAll, *this);
}

int32_t ListView::RowCount() const {
    return Low(CallLibrary(library_, abi::kCmdListRowCount, *this));
}

void ListView::SetCell(int32_t row, int32_t column, const Text& text) const {
    CallLibrary(library_, abi::kCmdListSetCell, *this, row, column, text);
}

void ListView::MarkWidths(int32_t column, const Control& box) const {
    CallLibrary(library_, abi::kCmdListMarkWidths, *this, column, box);
}

Text ListView::SaveScheme(const Text& path) const {
    return Text::Owned(
        static_cast<QxAddr>(CallLibrary(library_, abi::kCmdListSaveScheme, *this, path)));
}

Text ListView::LoadScheme(const Text& path) const {
    return Text::Owned(
        static_cast<QxAddr>(CallLibrary(library_, abi::kCmdListLoadScheme, *this, path)));
}

Text ListView::SaveColouredPicture(const Control& board, const Control& box, const Text& path,
                                   abi::ColouredFormat format) const {
    return Text::Owned(static_cast<QxAddr>(
        CallLibrary(library_, abi::kCmdListSaveColouredPicture, *this, board, box, path, format)));
}

Text ListView::CopyColouredPicture(const Control& board, const Control& box) const {
    return Text::Owned(static_cast<QxAddr>(
        CallLibrary(library_, abi::kCmdListCopyColouredPicture, *this, board, box)));
}

// ---- Edit box ---------------------------------------------------------------------------
int32_t EditBox::SendMessage(uint32_t message, int32_t wparam, int32_t lparam) const {
    return Low(CallCore(abi::kCmdControlSendMessage, *this, static_cast<int32_t>(message), wparam,
                        lparam));
}

int32_t EditBox::TextWidth(const Text& t) const {
    return Low(CallCore(abi::kCmdEditTextWidth, *this, t));
}

Text EditBox::ChooseRamp() const {
    return Text::Owned(static_cast<QxAddr>(Core(abi::kCmdEditChooseRamp)));
}

Text EditBox::SaveText(const Text& path) const {
    return Text::Owned(static_cast<QxAddr>(CallCore(abi::kCmdEditSaveText, *this, path)));
}

// ---- Tab control, browser, dialog, window -----------------------------------------------
TabControl::TabControl(uint32_t operand, uint32_t library_operand)
    : Control(operand), library_(Operand(library_operand)) {}

Text TabControl::TabCaption(int32_t index) const {
    return Text::Owned(
        static_cast<QxAddr>(CallLibrary(library_, abi::kCmdTabCaption, *this, index)));
}

Browser::Browser(uint32_t operand, uint32_t library_operand)
    : Control(operand), library_(Operand(library_operand)) {}

void Browser::Navigate(const Text& address) const {
    CallLibrary(library_, abi::kCmdBrowserNavigate, *this, address, kOmitted, kOmitted);
}

bool FileDialog::Open() const {
    return Low(Core(abi::kCmdDialogOpen)) != 0;
}

Text FileDialog::AskScheme(bool save) const {
    return Text::Owned(static_cast<QxAddr>(CallCore(abi::kCmdDialogOpenScheme, *this, save)));
}

bool FileDialog::SaveAs(abi::SaveKind kind) const {
    return Low(CallCore(abi::kCmdDialogSaveAs, *this, kind)) != 0;
}

void Window::PopupMenu(const Control& menu) const {
    CallCore(abi::kCmdWindowPopupMenu, *this, menu, kOmitted, kOmitted);
}

// ---- Regular expressions ----------------------------------------------------------------
RegEx::RegEx(uint32_t library_operand, uint32_t type_operand)
    : library_(Operand(library_operand)), type_(Operand(type_operand)) {
    object_ = static_cast<QxAddr>(CallLibrary(library_, abi::kCmdRegExCreate));
}

RegEx::~RegEx() {
    CallLibrary(library_, abi::kCmdRegExDestroy, Self());
}

bool RegEx::Compile(const Text& pattern) const {
    return Low(CallLibrary(library_, abi::kCmdRegExCompile, Self(), pattern, kOmitted)) != 0;
}

Text RegEx::Replace(const Text& text, const Text& replacement, int32_t start, bool case_sensitive,
                    bool multiline) const {
    return Text::Owned(
        static_cast<QxAddr>(CallLibrary(library_, abi::kCmdRegExReplace, Self(), text, replacement,
                                        start, kOmitted, case_sensitive, multiline)));
}

}  // namespace quorix::rt
