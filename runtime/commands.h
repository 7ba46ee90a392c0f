// Command, property and type numbers of the core runtime and its support libraries.
//
// Declared once here and included by both the program and the runtime. The numbers are the
// runtime's own; once released they are never renumbered, only appended to.
#pragma once

#include <cstdint>

#include "runtime/abi.h"

namespace quorix::abi {

// Rows of the library table (0-based library index) and the library numbers of type codes.
enum LibraryIndex : uint32_t {
    kLibKrnln = 0,
    kLibIext = 1,
    kLibIext3 = 2,
    kLibIext2 = 3,
    kLibHtmlView = 4,
    kLibRegEx = 5,
};
constexpr uint32_t LibraryNumber(LibraryIndex index) {
    return index + 1;
}

// A type code's two parts: the library number (1-based row of the library table) and the type
// number within that library.
struct TypeCode {
    uint32_t library = 0;
    uint32_t number = 0;
};
// The inverse of QX_TYPE.
constexpr TypeCode DecodeType(uint32_t code) {
    return {code >> QX_TYPE_SHIFT, code & ((1u << QX_TYPE_SHIFT) - 1)};
}
static_assert(DecodeType(QX_TYPE(6, 1)).library == 6 && DecodeType(QX_TYPE(6, 1)).number == 1);

// Unit types and data types.
enum UnitType : uint32_t {
    kTypeWindow = QX_TYPE(1, 1),
    kTypeMenuEntry = QX_TYPE(1, 3),
    kTypeEditBox = QX_TYPE(1, 5),
    kTypeShapeBox = QX_TYPE(1, 7),
    kTypeDrawingBoard = QX_TYPE(1, 8),
    kTypePushButton = QX_TYPE(1, 11),
    kTypeRadioBox = QX_TYPE(1, 13),
    kTypeComboBox = QX_TYPE(1, 14),
    kTypeProgressBar = QX_TYPE(1, 19),
    kTypeColorPicker = QX_TYPE(1, 28),
    kTypeSpinControl = QX_TYPE(1, 30),
    kTypeFileDialog = QX_TYPE(1, 31),
    kTypeListView = QX_TYPE(2, 4),
    kTypeTransparentLabel = QX_TYPE(2, 5),
    kTypeTabControl = QX_TYPE(3, 2),
    kTypePictureButton = QX_TYPE(4, 1),
    kTypeBrowserBox = QX_TYPE(5, 1),
    kTypeRegExObject = QX_TYPE(6, 1),  // data type of RegEx, not a unit
};

// Event numbers a unit raises to the program's handlers. The pointer events, negative, are
// shared by every kind that has a pointer; 0 is each kind's own event, and a list has a second.
enum Event : int32_t {
    kEvLeftDown = -1,      // (x, y, keys)
    kEvLeftUp = -2,        // (x, y, keys)
    kEvRightDown = -4,     // (x, y, keys)
    kEvPointerMoved = -6,  // (x, y, keys)

    kEvClicked = 0,           // buttons, menu entries
    kEvCreated = 0,           // the window, once it is shown
    kEvTabChanged = 0,        // tab controls
    kEvSpin = 0,              // spin controls: (+1 up or -1 down)
    kEvColourChanged = 0,     // colour pickers
    kEvSelectionChanged = 1,  // list views
};

// Commands of the core library (CallCoreCommand). Commands that act on a control take it as
// their first argument.
enum CoreCommand : uint32_t {
    kCmdDoEvents = 1,       // () -> 0, or 1 when the program is ending
    kCmdNumberToText = 2,   // (int or double) -> new text
    kCmdTextToNumber = 3,   // (text) -> double
    kCmdRandomInteger = 4,  // (low int, high int) -> int in [low, high]
    kCmdColorFromRgb = 5,   // (red, green, blue) -> colour value
    kCmdReadFile = 6,       // (path text) -> new binary block (the file's bytes)
    kCmdWriteFile = 7,      // (path text, binary) -> bool
    // (path text, binary) -> new text: writes as kCmdWriteFile does; the empty text when the
    // file was written, else a message for the user saying what was not written, where and why.
    kCmdWriteFileOrSayWhy = 8,
    kCmdShowMessage = 9,  // (message text, caption text) modal over the window; returns when read

    kCmdBoardReadPixel = 20,    // (board, x, y) -> colour value
    kCmdBoardSetPixel = 21,     // (board, x, y, colour)
    kCmdBoardLine = 22,         // (board, x1, y1, x2, y2)
    kCmdBoardEllipse = 23,      // (board, left, top, right, bottom)
    kCmdBoardRectangle = 24,    // (board, left, top, right, bottom)
    kCmdBoardArc = 25,          // (board, left, top, right, bottom, x start, y start, x end, y end)
    kCmdBoardClear = 26,        // (board)
    kCmdBoardCopyTo = 27,       // (source board, target board) copies the whole source at (0, 0)
    kCmdBoardDrawPicture = 28,  // (board, picture binary, left, top, width, height, transparent)
    kCmdBoardGetBmp = 29,       // (board, width, height) -> new binary holding a BMP file
    kCmdBoardGetPicture = 30,   // (board, width, height, PictureFormat) -> new binary: that file
    // (board, colours 2..256, dither) reduces the picture to at most that many colours ->
    // how many it has now
    kCmdBoardReduceColors = 31,
    // (board) asks for a number of colours in the dialog "减少颜色", which shows the result on
    // the board while it is open and gives the picture back as it was when it closes -> 0 when
    // cancelled, else the colours, ORed with kChoiceDither when dithering was chosen
    kCmdBoardChooseColors = 32,

    kCmdControlMove = 40,         // (control, left?, top?, width?, height?) omitted keeps the value
    kCmdControlSetFocus = 41,     // (control)
    kCmdControlSendMessage = 42,  // (control, message, wparam, lparam) -> int
    kCmdEditAppendText = 43,      // (edit box, text)
    kCmdWindowPopupMenu = 44,     // (window, menu entry, x?, y?) omitted: at the pointer
    kCmdDialogOpen = 45,          // (file dialog) -> bool confirmed
    // (edit box, text) -> the text's width in the box's font, in hundredths of a digit (200 for
    // a character as wide as two digits)
    kCmdEditTextWidth = 46,
    // (edit box) asks for a ramp of characters, darkest first, in the dialog "按亮度分配字符"
    // -> new text; empty when cancelled
    kCmdEditChooseRamp = 47,
    // ---- The character picture kept and shared (saving its text, the coloured picture) ----
    // (edit box, path text) writes the box's whole text as UTF-8 into the file, CR LF kept ->
    // new text: empty when written, else a message for the user saying what was not written
    // and why (an existing file is left as it was)
    kCmdEditSaveText = 48,
    // (file dialog, SaveKind) asks for the name of a file to save, with the title and file
    // kinds of that kind of file -> bool confirmed; the name is then the dialog's file name.
    // The dialog keeps its own title, filter and default extension.
    kCmdDialogSaveAs = 49,
    // ---- end of the character picture's commands ----

    // ---- Undo and redo; character scheme files ----------------------------------------------
    // (picture board, board that shows it, list) from now on the history follows the picture of
    // the first board, which the second shows, and the mapping the list holds
    kCmdHistoryFollow = 57,
    kCmdHistoryNoteMapping = 58,  // () notes the mapping as it stands, before a change to it
    kCmdHistoryRecord = 59,       // (HistoryPart) a change to that part has been made
    kCmdHistoryUndo = 60,         // () -> bool: a change was taken back
    kCmdHistoryRedo = 61,         // () -> bool: a change taken back was made again
    // (file dialog, save) asks for a character scheme file to save to (true) or to load ->
    // new text: its path, empty when cancelled. The dialog's own properties stay as they are.
    kCmdDialogOpenScheme = 62,
    // ---- end of undo and redo; character scheme files ---------------------------------------
};

// The kinds of file kCmdDialogSaveAs asks for.
enum SaveKind : int32_t {
    kSaveCharacterText = 1,    // the character picture as text (.txt)
    kSaveColouredPicture = 2,  // the coloured character picture (.html, or .png)
};

// Formats of the coloured character picture.
enum ColouredFormat : int32_t { kColouredHtml = 0, kColouredPng = 1 };

// The parts of what the user makes that the history keeps.
enum HistoryPart : int32_t { kHistoryPicture = 1, kHistoryMapping = 2 };

// What kCmdBoardChooseColors adds to the number of colours when dithering was chosen.
constexpr uint32_t kChoiceDither = 0x10000;

// Edit box messages understood by kCmdControlSendMessage.
constexpr uint32_t kMsgSetSelection = 0x00B1;  // start, end (-1 = to the end)
constexpr uint32_t kMsgCopy = 0x0301;

// Commands of iext (list view with columns).
enum ListViewCommand : uint32_t {
    kCmdListDeleteAll = 1,  // (list)
    kCmdListRowCount = 2,   // (list) -> int
    kCmdListFindRow = 3,    // (list, text) -> row whose column 0 equals text, or -1
    kCmdListAppendRow = 4,  // (list, column-0 text) -> new row index
    kCmdListGetCell = 5,    // (list, row, column) -> new text, empty for a missing cell
    kCmdListSetCell = 6,    // (list, row, column, text)
    // (list, column, edit box) marks each cell of the column whose text is not as wide as two
    // digits in the edit box's font, from now on
    kCmdListMarkWidths = 7,
    // ---- The coloured character picture ----
    // (list, board, edit box, path text, ColouredFormat) writes the board through the mapping
    // of columns 0 and 1, each pixel's characters in its colour, in the edit box's font, into
    // the file -> new text: empty when written, else a message for the user
    kCmdListSaveColouredPicture = 8,
    // (list, board, edit box) puts the same picture on the clipboard as HTML, with its plain
    // text beside it -> new text: empty when done, else a message for the user
    kCmdListCopyColouredPicture = 9,
    // ---- end of the coloured character picture ----

    // ---- Character scheme files -------------------------------------------------------------
    // (list, path) writes the rows as a character scheme -> new text: empty when written, else
    // a message for the user saying what was not written and why
    kCmdListSaveScheme = 17,
    // (list, path) gives every row the characters of the scheme's nearest colour -> new text:
    // empty when done, else a message saying why nothing changed
    kCmdListLoadScheme = 18,
    // ---- end of character scheme files ------------------------------------------------------
};

// Commands of iext3 (advanced tab control).
enum TabControlCommand : uint32_t {
    kCmdTabCaption = 1,  // (tab control, index) -> new text
};

// Commands of HtmlView (browser box).
enum BrowserCommand : uint32_t {
    kCmdBrowserNavigate = 1,  // (browser, address, flags?, target?)
};

// Commands of RegEx. The object is passed as (data block address, 0, kTypeRegExObject).
enum RegExCommand : uint32_t {
    kCmdRegExCreate = 1,   // () -> address of a new object's data block
    kCmdRegExCompile = 2,  // (object, pattern text, options?) -> bool
    kCmdRegExReplace = 3,  // (object, text, replacement, start, count?, case, multiline) -> text
    kCmdRegExDestroy = 4,  // (object)
};

// Property numbers (ReadProperty / WriteProperty). Member -1 selects the whole property.
enum Property : uint32_t {
    kPropLeft = 1,
    kPropTop = 2,
    kPropWidth = 3,
    kPropHeight = 4,
    kPropVisible = 5,
    kPropEnabled = 6,
    kPropCaption = 7,       // text: buttons, labels, radio boxes, the window
    kPropText = 8,          // text: edit boxes, combo boxes
    kPropChecked = 9,       // radio boxes
    kPropPenWidth = 10,     // drawing boards
    kPropPenColor = 11,     // drawing boards
    kPropColor = 12,        // colour picker's colour; shape box's fill colour
    kPropFont = 13,         // compound: member kFontSize is the size in points
    kPropPosition = 14,     // progress bar
    kPropMaximum = 15,      // progress bar
    kPropAddress = 16,      // browser box
    kPropDialogMode = 17,   // file dialog: 0 open file, 1 save file
    kPropTitle = 18,        // file dialog
    kPropFileName = 19,     // file dialog
    kPropFilter = 20,       // file dialog
    kPropDefaultExt = 21,   // file dialog
    kPropCurrentTab = 22,   // tab control
    kPropSelectedRow = 23,  // list view, -1 when none
};
constexpr int32_t kWholeProperty = -1;
constexpr int32_t kFontSize = 1;

enum DialogMode : uint32_t { kDialogOpenFile = 0, kDialogSaveFile = 1 };

// Picture file formats a board's picture is given in.
enum PictureFormat : int32_t { kPictureBmp = 0, kPicturePng = 1, kPictureJpeg = 2 };

}  // namespace quorix::abi
