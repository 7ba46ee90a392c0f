// What the program's image holds besides the window: its routines, its constants, its global
// variables, and the tables of the code section through which the routines reach them.
#pragma once

#include <cstdint>

#include "app/units.h"

namespace quorix::app {

// The program's routines. The ids are stored in the code section's routine records: they are
// append-only. X(id, name)
#define QUORIX_ROUTINES(X)             \
    X(1, StartProgram)                 \
    X(2, ShutDownProgram)              \
    X(3, OpenStartPage)                \
    X(4, ArrangeTabPage)               \
    X(5, PressPen)                     \
    X(6, ReleasePen)                   \
    X(7, PopUpFileMenu)                \
    X(8, MovePen)                      \
    X(9, StepPenWidth)                 \
    X(10, ChangePenColor)              \
    X(11, ClickClearPicture)           \
    X(12, ClickLoadPicture)            \
    X(13, ClickSavePicture)            \
    X(14, ApplyOutputSize)             \
    X(15, ClassifyColors)              \
    X(16, RequestStop)                 \
    X(17, ShowSelectedMapping)         \
    X(18, ModifyMapping)               \
    X(19, GenerateCharacterPicture)    \
    X(20, StepTextSize)                \
    X(21, ResetTextSize)               \
    X(22, ClearOutput)                 \
    X(23, CopyOutput)                  \
    X(24, ReplaceCharacters)           \
    X(25, LoadPicture)                 \
    X(26, SavePicture)                 \
    X(27, ClearPicture)                \
    X(28, ReduceColors)                \
    X(29, AssignCharactersByLightness) \
    X(30, SaveCharacterPicture)        \
    X(31, ExportColouredPicture)       \
    X(32, CopyColouredPicture)         \
    X(39, Undo)                        \
    X(40, Redo)                        \
    X(41, SaveCharacterScheme)         \
    X(42, LoadCharacterScheme)

enum class Routine : uint32_t {
#define QUORIX_ROUTINE_ENUM(id, name) name = id,
    QUORIX_ROUTINES(QUORIX_ROUTINE_ENUM)
#undef QUORIX_ROUTINE_ENUM
};

struct RoutineInfo {
    Routine id;
    const char* name;
};
inline constexpr RoutineInfo kRoutines[] = {
#define QUORIX_ROUTINE_INFO(id, name) {Routine::name, #name},
    QUORIX_ROUTINES(QUORIX_ROUTINE_INFO)
#undef QUORIX_ROUTINE_INFO
};
constexpr uint32_t kRoutineCount = sizeof kRoutines / sizeof kRoutines[0];

// ---- The `const` section: 110 bytes, constants at fixed offsets -------------------------
namespace konst {
constexpr uint32_t kEmptyText = 0x00;
constexpr uint32_t kOne = 0x01;          // double 1.0
constexpr uint32_t kTolerance = 0x09;    // double 1e-7
constexpr uint32_t kTextOne = 0x11;      // "1"
constexpr uint32_t kStartPage = 0x13;    // the start page address
constexpr uint32_t kStop = 0x30;         // "停止"
constexpr uint32_t kDash = 0x35;         // "-"
constexpr uint32_t kLineBreak = 0x37;    // "\r\n"
constexpr uint32_t kSaveTitle = 0x3A;    // "请输入欲保存到的图片文件名："
constexpr uint32_t kEmptyBinary = 0x57;  // 01 00 00 00 00 00 00 00
constexpr uint32_t kProductName = 0x5F;  // "Quorix"
constexpr uint32_t kSixty = 0x66;        // double 60.0
constexpr uint32_t kSize = 110;
// The author's start page; it must fit between its offset and the next constant.
constexpr const char kStartPageAddress[] = "http://www.corvane.cn/zhuce/";
static_assert(sizeof kStartPageAddress <= kStop - kStartPage);
}  // namespace konst

// ---- The `var` section: seven words, zero at start --------------------------------------
namespace var {
constexpr uint32_t kStopRequest = 8;
constexpr uint32_t kReservedText = 12;
constexpr uint32_t kPenDown = 16;
constexpr uint32_t kPenStartX = 20;
constexpr uint32_t kPenStartY = 24;
constexpr uint32_t kSize = 28;
}  // namespace var

constexpr uint32_t kHelpSize = 52;  // the runtime entry table: 13 words

// ---- Reference table of the code section -------------------------------------------------
enum class RefKind : uint8_t { kConst = 1, kVar = 2, kCode = 3 };
// X(name, kind, offset in the target) ; a code reference names a routine.
#define QUORIX_REFERENCES(X)                             \
    X(EmptyText, RefKind::kConst, konst::kEmptyText)     \
    X(One, RefKind::kConst, konst::kOne)                 \
    X(Tolerance, RefKind::kConst, konst::kTolerance)     \
    X(TextOne, RefKind::kConst, konst::kTextOne)         \
    X(StartPage, RefKind::kConst, konst::kStartPage)     \
    X(Stop, RefKind::kConst, konst::kStop)               \
    X(Dash, RefKind::kConst, konst::kDash)               \
    X(LineBreak, RefKind::kConst, konst::kLineBreak)     \
    X(SaveTitle, RefKind::kConst, konst::kSaveTitle)     \
    X(EmptyBinary, RefKind::kConst, konst::kEmptyBinary) \
    X(ProductName, RefKind::kConst, konst::kProductName) \
    X(Sixty, RefKind::kConst, konst::kSixty)             \
    X(StopRequest, RefKind::kVar, var::kStopRequest)     \
    X(PenDown, RefKind::kVar, var::kPenDown)             \
    X(PenStartX, RefKind::kVar, var::kPenStartX)         \
    X(PenStartY, RefKind::kVar, var::kPenStartY)         \
    X(ShutDownRoutine, RefKind::kCode, static_cast<uint32_t>(Routine::ShutDownProgram))

enum class Ref : uint32_t {
#define QUORIX_REF_ENUM(name, kind, offset) name,
    QUORIX_REFERENCES(QUORIX_REF_ENUM)
#undef QUORIX_REF_ENUM
        kCount
};

// ---- Operand table of the code section ---------------------------------------------------
// One triple (window ID, unit ID, unit type) per unit in unit order, then the library indices
// of the support libraries the routines call, then the data type of a regular expression.
constexpr uint32_t OperandOf(Unit u) {
    return 3 * static_cast<uint32_t>(u);
}
enum LibraryOperand : uint32_t {
    kOperandIext = 3 * kUnitCount,
    kOperandIext3,
    kOperandHtmlView,
    kOperandRegEx,
    kOperandRegExType,
    kOperandCount,
};

}  // namespace quorix::app
