#include "runtime/controls.h"

namespace quorix::rt {

Control::Control(uint32_t operand) {
    triple_[0] = Operand(operand);
    triple_[1] = Operand(operand + 1);
    triple_[2] = Operand(operand + 2);
}

int32_t Control::ReadInt(uint32_t property, int32_t member) const {
    return static_cast<int32_t>(g_bound.read_property(triple_[0], triple_[1], property, member));
}

Text Control::ReadText(uint32_t property, int32_t member) const {
    return Text::Owned(g_bound.read_property(triple_[0], triple_[1], property, member));
}

void Control::WriteInt(uint32_t property, int32_t value, int32_t member) const {
    g_bound.write_property(triple_[0], triple_[1], property, member, static_cast<uint32_t>(value),
                           0);
}

void Control::WriteText(uint32_t property, const Text& value, int32_t member) const {
    g_bound.write_property(triple_[0], triple_[1], property, member, value.address(), 0);
}

uint64_t Control::Core(uint32_t command) const {
    Args<1> a;
    a.Triple(triple_);
    return CallCore(command, a.block());
}

void Control::Resize(int32_t width, int32_t height) const {
    Args<5> a;
    a.Triple(triple_).Omitted().Omitted().Int(width).Int(height);
    CallCore(abi::kCmdControlMove, a.block());
}

void Control::SetHeight(int32_t height) const {
    Args<5> a;
    a.Triple(triple_).Omitted().Omitted().Omitted().Int(height);
    CallCore(abi::kCmdControlMove, a.block());
}

void Control::SetFocus() const {
    Core(abi::kCmdControlSetFocus);
}

// ---- Drawing board ----------------------------------------------------------------------
int32_t Board::Pixel(int32_t x, int32_t y) const {
    Args<3> a;
    a.Triple(triple_).Int(x).Int(y);
    return Low(CallCore(abi::kCmdBoardReadPixel, a.block()));
}

void Board::SetPixel(int32_t x, int32_t y, int32_t colour) const {
    Args<4> a;
    a.Triple(triple_).Int(x).Int(y).Int(colour);
    CallCore(abi::kCmdBoardSetPixel, a.block());
}

void Board::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
    Args<5> a;
    a.Triple(triple_).Int(x1).Int(y1).Int(x2).Int(y2);
    CallCore(abi::kCmdBoardLine, a.block());
}

void Board::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
    Args<5> a;
    a.Triple(triple_).Int(x1).Int(y1).Int(x2).Int(y2);
    CallCore(abi::kCmdBoardEllipse, a.block());
}

void Board::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
    Args<5> a;
    a.Triple(triple_).Int(x1).Int(y1).Int(x2).Int(y2);
    CallCore(abi::kCmdBoardRectangle, a.block());
}

void Board::Arc(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t xs, int32_t ys, int32_t xe,
                int32_t ye) const {
    Args<9> a;
    a.Triple(triple_).Int(x1).Int(y1).Int(x2).Int(y2).Int(xs).Int(ys).Int(xe).Int(ye);
    CallCore(abi::kCmdBoardArc, a.block());
}

void Board::Clear() const {
    Core(abi::kCmdBoardClear);
}

void Board::CopyTo(const Board& target) const {
    Args<2> a;
    a.Triple(triple_).Triple(target.triple());
    CallCore(abi::kCmdBoardCopyTo, a.block());
}

void Board::DrawPicture(const Binary& picture, int32_t left, int32_t top, int32_t width,
                        int32_t height, int32_t transparent) const {
    Args<7> a;
    a.Triple(triple_).BinaryArg(picture).Int(left).Int(top).Int(width).Int(height).Int(transparent);
    CallCore(abi::kCmdBoardDrawPicture, a.block());
}

Binary Board::PictureAsBmp(int32_t width, int32_t height) const {
    Args<3> a;
    a.Triple(triple_).Int(width).Int(height);
    return Binary(static_cast<QxAddr>(CallCore(abi::kCmdBoardGetBmp, a.block())));
}

int32_t Board::ReduceColors(int32_t colours, bool dither) const {
    Args<3> a;
    a.Triple(triple_).Int(colours).Bool(dither);
    return Low(CallCore(abi::kCmdBoardReduceColors, a.block()));
}

std::optional<ColorChoice> Board::ChooseColors() const {
    const auto chosen = static_cast<uint32_t>(Low(Core(abi::kCmdBoardChooseColors)));
    if (chosen == 0) return std::nullopt;
    return ColorChoice{static_cast<int32_t>(chosen & (abi::kChoiceDither - 1)),
                       (chosen & abi::kChoiceDither) != 0};
}

Binary Board::Picture(abi::PictureFormat format, int32_t width, int32_t height) const {
    Args<4> a;
    a.Triple(triple_).Int(width).Int(height).Int(format);
    return Binary(static_cast<QxAddr>(CallCore(abi::kCmdBoardGetPicture, a.block())));
}

// ---- List view --------------------------------------------------------------------------
ListView::ListView(uint32_t operand, uint32_t library_operand)
    : Control(operand), library_(Operand(library_operand)) {}

void ListView::DeleteAllRows() const {
    Args<1> a;
    a.Triple(triple_);
    CallLibrary(library_, abi::kCmdListDeleteAll, a.block());
}

int32_t ListView::RowCount() const {
    Args<1> a;
    a.Triple(triple_);
    return Low(CallLibrary(library_, abi::kCmdListRowCount, a.block()));
}

int32_t ListView::FindRow(const Text& column0) const {
    Args<2> a;
    a.Triple(triple_).TextArg(column0);
    return Low(CallLibrary(library_, abi::kCmdListFindRow, a.block()));
}

int32_t ListView::AppendRow(const Text& column0) const {
    Args<2> a;
    a.Triple(triple_).TextArg(column0);
    return Low(CallLibrary(library_, abi::kCmdListAppendRow, a.block()));
}

Text ListView::Cell(int32_t row, int32_t column) const {
    Args<3> a;
    a.Triple(triple_).Int(row).Int(column);
    return Text::Owned(static_cast<QxAddr>(CallLibrary(library_, abi::kCmdListGetCell, a.block())));
}

void ListView::SetCell(int32_t row, int32_t column, const Text& text) const {
    Args<4> a;
    a.Triple(triple_).Int(row).Int(column).TextArg(text);
    CallLibrary(library_, abi::kCmdListSetCell, a.block());
}

void ListView::MarkWidths(int32_t column, const Control& box) const {
    Args<3> a;
    a.Triple(triple_).Int(column).Triple(box.triple());
    CallLibrary(library_, abi::kCmdListMarkWidths, a.block());
}

Text ListView::SaveScheme(const Text& path) const {
    Args<2> a;
    a.Triple(triple_).TextArg(path);
    return Text::Owned(
        static_cast<QxAddr>(CallLibrary(library_, abi::kCmdListSaveScheme, a.block())));
}

Text ListView::LoadScheme(const Text& path) const {
    Args<2> a;
    a.Triple(triple_).TextArg(path);
    return Text::Owned(
        static_cast<QxAddr>(CallLibrary(library_, abi::kCmdListLoadScheme, a.block())));
}

Text ListView::SaveColouredPicture(const Control& board, const Control& box, const Text& path,
                                   abi::ColouredFormat format) const {
    Args<5> a;
    a.Triple(triple_).Triple(board.triple()).Triple(box.triple()).TextArg(path).Int(format);
    return Text::Owned(
        static_cast<QxAddr>(CallLibrary(library_, abi::kCmdListSaveColouredPicture, a.block())));
}

Text ListView::CopyColouredPicture(const Control& board, const Control& box) const {
    Args<3> a;
    a.Triple(triple_).Triple(board.triple()).Triple(box.triple());
    return Text::Owned(
        static_cast<QxAddr>(CallLibrary(library_, abi::kCmdListCopyColouredPicture, a.block())));
}

// ---- Edit box ---------------------------------------------------------------------------
void EditBox::Append(const Text& t) const {
    Args<2> a;
    a.Triple(triple_).TextArg(t);
    CallCore(abi::kCmdEditAppendText, a.block());
}

int32_t EditBox::SendMessage(uint32_t message, int32_t wparam, int32_t lparam) const {
    Args<4> a;
    a.Triple(triple_).Int(static_cast<int32_t>(message)).Int(wparam).Int(lparam);
    return Low(CallCore(abi::kCmdControlSendMessage, a.block()));
}

int32_t EditBox::TextWidth(const Text& t) const {
    Args<2> a;
    a.Triple(triple_).TextArg(t);
    return Low(CallCore(abi::kCmdEditTextWidth, a.block()));
}

Text EditBox::ChooseRamp() const {
    return Text::Owned(static_cast<QxAddr>(Core(abi::kCmdEditChooseRamp)));
}

Text EditBox::SaveText(const Text& path) const {
    Args<2> a;
    a.Triple(triple_).TextArg(path);
    return Text::Owned(static_cast<QxAddr>(CallCore(abi::kCmdEditSaveText, a.block())));
}

// ---- Tab control, browser, dialog, window -----------------------------------------------
TabControl::TabControl(uint32_t operand, uint32_t library_operand)
    : Control(operand), library_(Operand(library_operand)) {}

Text TabControl::TabCaption(int32_t index) const {
    Args<2> a;
    a.Triple(triple_).Int(index);
    return Text::Owned(static_cast<QxAddr>(CallLibrary(library_, abi::kCmdTabCaption, a.block())));
}

Browser::Browser(uint32_t operand, uint32_t library_operand)
    : Control(operand), library_(Operand(library_operand)) {}

void Browser::Navigate(const Text& address) const {
    Args<4> a;
    a.Triple(triple_).TextArg(address).Omitted().Omitted();
    CallLibrary(library_, abi::kCmdBrowserNavigate, a.block());
}

bool FileDialog::Open() const {
    return Low(Core(abi::kCmdDialogOpen)) != 0;
}

Text FileDialog::AskScheme(bool save) const {
    Args<2> a;
    a.Triple(triple_).Bool(save);
    return Text::Owned(static_cast<QxAddr>(CallCore(abi::kCmdDialogOpenScheme, a.block())));
}

bool FileDialog::SaveAs(abi::SaveKind kind) const {
    Args<2> a;
    a.Triple(triple_).Int(kind);
    return Low(CallCore(abi::kCmdDialogSaveAs, a.block())) != 0;
}

void Window::PopupMenu(const Control& menu) const {
    Args<4> a;
    a.Triple(triple_).Triple(menu.triple()).Omitted().Omitted();
    CallCore(abi::kCmdWindowPopupMenu, a.block());
}

// ---- Regular expressions ----------------------------------------------------------------
RegEx::RegEx(uint32_t library_operand, uint32_t type_operand)
    : library_(Operand(library_operand)), type_(Operand(type_operand)) {
    static const uint32_t kNoArguments[1] = {0};
    object_ = static_cast<QxAddr>(CallLibrary(library_, abi::kCmdRegExCreate, kNoArguments));
}

RegEx::~RegEx() {
    Args<1> a;
    a.Put(object_, 0, type_);
    CallLibrary(library_, abi::kCmdRegExDestroy, a.block());
}

bool RegEx::Compile(const Text& pattern) const {
    Args<3> a;
    a.Put(object_, 0, type_).TextArg(pattern).Omitted();
    return Low(CallLibrary(library_, abi::kCmdRegExCompile, a.block())) != 0;
}

Text RegEx::Replace(const Text& text, const Text& replacement, int32_t start, bool case_sensitive,
                    bool multiline) const {
    Args<7> a;
    a.Put(object_, 0, type_).TextArg(text).TextArg(replacement).Int(start).Omitted();
    a.Bool(case_sensitive).Bool(multiline);
    return Text::Owned(
        static_cast<QxAddr>(CallLibrary(library_, abi::kCmdRegExReplace, a.block())));
}

}  // namespace quorix::rt
