// Typed handles on the window's controls. A control is the triple (window ID, unit ID, unit
// type) that the operand table of the code section holds for it.
#pragma once

#include <optional>

#include "runtime/program.h"

namespace quorix::rt {

class Control {
public:
    // `operand` is the index of the control's triple in the operand table.
    explicit Control(uint32_t operand);

    int32_t ReadInt(uint32_t property, int32_t member = abi::kWholeProperty) const {
        return static_cast<int32_t>(
            g_bound.read_property(triple_[0], triple_[1], property, member));
    }
    Text ReadText(uint32_t property, int32_t member = abi::kWholeProperty) const;
    void WriteInt(uint32_t property, int32_t value, int32_t member = abi::kWholeProperty) const {
        g_bound.write_property(triple_[0], triple_[1], property, member,
                               static_cast<uint32_t>(value), 0);
    }
    void WriteText(uint32_t property, const Text& value,
                   int32_t member = abi::kWholeProperty) const;

    int32_t Width() const { return ReadInt(abi::kPropWidth); }
    int32_t Height() const { return ReadInt(abi::kPropHeight); }
    // Resizes keeping the left and top edges (omitted arguments keep their value).
    void Resize(int32_t width, int32_t height) const;
    void SetHeight(int32_t height) const;
    void SetFocus() const;

    const uint32_t* triple() const { return triple_; }

protected:
    uint64_t Core(uint32_t command) const;

    uint32_t triple_[3];
};

// A control passed as an argument is its triple.
inline ArgTriple ToArg(const Control& control) {
    const uint32_t* t = control.triple();
    return {t[0], t[1], t[2]};
}

// A number of colours and whether to dither, as the dialog "减少颜色" gives them.
struct ColorChoice {
    int32_t colours = 0;
    bool dither = false;
};

class Board : public Control {
public:
    using Control::Control;
    int32_t Pixel(int32_t x, int32_t y) const;
    void SetPixel(int32_t x, int32_t y, int32_t colour) const;
    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const;
    void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const;
    void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const;
    void Arc(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t xs, int32_t ys, int32_t xe,
             int32_t ye) const;
    void Clear() const;
    void CopyTo(const Board& target) const;
    void DrawPicture(const Binary& picture, int32_t left, int32_t top, int32_t width,
                     int32_t height, int32_t transparent) const;
    Binary PictureAsBmp(int32_t width, int32_t height) const;
    // The picture, `width` x `height` pixels, as the bytes of a file of that format.
    Binary Picture(abi::PictureFormat format, int32_t width, int32_t height) const;
    // Reduces the picture to at most `colours` colours; returns how many it has now.
    int32_t ReduceColors(int32_t colours, bool dither) const;
    // Asks in the dialog "减少颜色", which shows its result on this board while it is open;
    // nullopt when cancelled. The board keeps its picture.
    std::optional<ColorChoice> ChooseColors() const;
};

// The calls both steps make per pixel are defined at the end of this file, inline.

class ListView : public Control {
public:
    ListView(uint32_t operand, uint32_t library_operand);
    void DeleteAllRows() const;
    int32_t RowCount() const;
    int32_t FindRow(const Text& column0) const;
    int32_t AppendRow(const Text& column0) const;
    Text Cell(int32_t row, int32_t column) const;
    void SetCell(int32_t row, int32_t column, const Text& text) const;
    int32_t SelectedRow() const { return ReadInt(abi::kPropSelectedRow); }
    // From now on, cells of `column` whose text is not as wide as two digits in `box`'s font
    // are marked.
    void MarkWidths(int32_t column, const Control& box) const;
    // The coloured character picture: `board` through the mapping of this list, in `box`'s
    // font, saved to `path` or put on the clipboard. The empty text when done, else a message
    // for the user.
    Text SaveColouredPicture(const Control& board, const Control& box, const Text& path,
                             abi::ColouredFormat format) const;
    Text CopyColouredPicture(const Control& board, const Control& box) const;
    // Character schemes: each gives the empty text when done, else a message saying why not.
    Text SaveScheme(const Text& path) const;
    Text LoadScheme(const Text& path) const;

private:
    uint32_t library_;
};

class EditBox : public Control {
public:
    using Control::Control;
    Text Content() const { return ReadText(abi::kPropText); }
    void SetContent(const Text& t) const { WriteText(abi::kPropText, t); }
    void Append(const Text& t) const;
    int32_t SendMessage(uint32_t message, int32_t wparam, int32_t lparam) const;
    // The width of `t` in the box's font, in hundredths of a digit: 200 for two digits.
    int32_t TextWidth(const Text& t) const;
    // Asks for a ramp of characters in the dialog "按亮度分配字符"; empty when cancelled.
    Text ChooseRamp() const;
    // Writes the whole text into the file at `path` as UTF-8; the empty text when written,
    // else a message for the user.
    Text SaveText(const Text& path) const;
};

class TabControl : public Control {
public:
    TabControl(uint32_t operand, uint32_t library_operand);
    int32_t CurrentTab() const { return ReadInt(abi::kPropCurrentTab); }
    Text TabCaption(int32_t index) const;

private:
    uint32_t library_;
};

class Browser : public Control {
public:
    Browser(uint32_t operand, uint32_t library_operand);
    void Navigate(const Text& address) const;

private:
    uint32_t library_;
};

class FileDialog : public Control {
public:
    using Control::Control;
    bool Open() const;
    // Asks for the name of a file of that kind to save; the dialog keeps its own settings.
    bool SaveAs(abi::SaveKind kind) const;
    // Asks for a character scheme file to save to or to load; empty when cancelled.
    Text AskScheme(bool save) const;
};

class Window : public Control {
public:
    using Control::Control;
    // Pops up the menu whose bar entry is `menu` at the pointer.
    void PopupMenu(const Control& menu) const;
};

// A regular-expression object of the RegEx library: created on construction, destroyed when
// it goes away.
class RegEx {
public:
    RegEx(uint32_t library_operand, uint32_t type_operand);
    ~RegEx();
    RegEx(const RegEx&) = delete;
    RegEx& operator=(const RegEx&) = delete;
    bool Compile(const Text& pattern) const;
    Text Replace(const Text& text, const Text& replacement, int32_t start, bool case_sensitive,
                 bool multiline) const;

private:
    // The object as the first argument of its commands.
    ArgTriple Self() const { return {object_, 0, type_}; }

    uint32_t library_;
    uint32_t type_;
    QxAddr object_ = 0;
};

// ---- Per pixel ----------------------------------------------------------------------------
inline int32_t Board::Pixel(int32_t x, int32_t y) const {
    return Low(CallCore(abi::kCmdBoardReadPixel, *this, x, y));
}
inline int32_t ListView::FindRow(const Text& column0) const {
    return Low(CallLibrary(library_, abi::kCmdListFindRow, *this, column0));
}
inline int32_t ListView::AppendRow(const Text& column0) const {
    return Low(CallLibrary(library_, abi::kCmdListAppendRow, *this, column0));
}
inline Text ListView::Cell(int32_t row, int32_t column) const {
    return Text::Owned(
        static_cast<QxAddr>(CallLibrary(library_, abi::kCmdListGetCell, *this, row, column)));
}
inline void EditBox::Append(const Text& t) const {
    CallCore(abi::kCmdEditAppendText, *this, t);
}

}  // namespace quorix::rt
