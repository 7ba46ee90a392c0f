// The commands and properties that the steps use per pixel are served through a flat table of
// typed handlers. These tests call them through the real stubs and entry table and check that
// each reaches its own work, that a target of another class, type or window is answered as
// the unit itself answers it (0 for a command it does not know), and that arguments given as
// doubles or left out are converted as every other command converts them.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

#include "app/program.h"
#include "testing/program_session.h"

namespace quorix {
namespace {

using app::Ctl;
using app::Unit;
using testing::RunProgram;
using testing::Session;

constexpr uint32_t kLibKrnln = abi::kLibKrnln;
constexpr uint32_t kLibIext = abi::kLibIext;

// A control's triple with one of its words changed.
rt::ArgTriple Triple(Unit unit) {
    const app::UnitInfo& info = app::Info(unit);
    return {app::kStartWindowId, info.id, info.type};
}
rt::ArgTriple WithType(Unit unit, uint32_t type) {
    rt::ArgTriple t = Triple(unit);
    t.type = type;
    return t;
}
rt::ArgTriple InWindow(Unit unit, uint32_t window_id) {
    rt::ArgTriple t = Triple(unit);
    t.low = window_id;
    return t;
}

std::string TextOf(uint64_t result) {
    return std::string(rt::Text::Owned(static_cast<QxAddr>(result)).view());
}

// A board, a ColorTable and a progress bar in a known state: pixel (2, 1) red, rows "11" and
// "22" (the second with characters "ab"), the progress bar at 41 of 99.
void PrepareUnits() {
    const auto board = Ctl<rt::Board>(Unit::画板1);
    board.SetPixel(0, 0, 0x00FF00);
    board.SetPixel(2, 1, 0x0000FF);
    const rt::ListView table = app::ColorTable();
    table.DeleteAllRows();
    table.AppendRow(rt::NewText("11"));
    table.AppendRow(rt::NewText("22"));
    table.SetCell(1, 1, rt::NewText("ab"));
    const rt::Control progress = Ctl(Unit::取色字符进度条);
    progress.WriteInt(abi::kPropMaximum, 99);
    progress.WriteInt(abi::kPropPosition, 41);
}

struct Case {
    const char* what;
    std::function<std::string()> call;
    std::string expected;
};

void RunCases(const Case* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        EXPECT_EQ(cases[i].call(), cases[i].expected) << cases[i].what;
    }
}

TEST(FlatDispatch, EachCommandAndPropertyReachesItsOwnWork) {
    const auto result = RunProgram([](Session& s) {
        const uint64_t blocks_before = s.BlocksInUse();
        PrepareUnits();
        const auto board = Ctl<rt::Board>(Unit::画板1);
        const rt::ListView table = app::ColorTable();
        const rt::Control progress = Ctl(Unit::取色字符进度条);
        const auto output = Ctl<rt::EditBox>(Unit::编辑框1);
        const Case cases[] = {
            {"pixel (2, 1)", [&] { return std::to_string(board.Pixel(2, 1)); }, "255"},
            {"pixel (0, 0)", [&] { return std::to_string(board.Pixel(0, 0)); }, "65280"},
            {"pixel outside", [&] { return std::to_string(board.Pixel(-1, 0)); }, "16777215"},
            {"find 22", [&] { return std::to_string(table.FindRow(rt::NewText("22"))); }, "1"},
            {"find 33", [&] { return std::to_string(table.FindRow(rt::NewText("33"))); }, "-1"},
            {"cell (1, 1)", [&] { return std::string(table.Cell(1, 1).view()); }, "ab"},
            {"cell (1, 0)", [&] { return std::string(table.Cell(1, 0).view()); }, "22"},
            {"cell (7, 1)", [&] { return std::string(table.Cell(7, 1).view()); }, ""},
            {"append 33", [&] { return std::to_string(table.AppendRow(rt::NewText("33"))); }, "2"},
            {"find 33 once appended",
             [&] { return std::to_string(table.FindRow(rt::NewText("33"))); }, "2"},
            {"cell (2, 1) once set",
             [&] {
                 table.SetCell(2, 1, rt::NewText("cd"));
                 return std::string(table.Cell(2, 1).view());
             },
             "cd"},
            {"find 44 once a first cell is set to it",
             [&] {
                 table.SetCell(2, 0, rt::NewText("44"));
                 return std::to_string(table.FindRow(rt::NewText("44")));
             },
             "2"},
            {"position", [&] { return std::to_string(progress.ReadInt(abi::kPropPosition)); },
             "41"},
            {"maximum", [&] { return std::to_string(progress.ReadInt(abi::kPropMaximum)); }, "99"},
            {"position once stepped",
             [&] {
                 progress.WriteInt(abi::kPropPosition, progress.ReadInt(abi::kPropPosition) + 1);
                 return std::to_string(progress.ReadInt(abi::kPropPosition));
             },
             "42"},
            {"output appended",
             [&] {
                 output.Append(rt::NewText("xy"));
                 output.Append(rt::NewText("z"));
                 return s.Output().right(3).toStdString();
             },
             "xyz"},
        };
        RunCases(cases, std::size(cases));
        EXPECT_EQ(s.BlocksInUse(), blocks_before);
    });
    EXPECT_EQ(result.exit_code, 0);
}

TEST(FlatDispatch, ATargetOfAnotherKindTypeOrWindowIsAnswered0) {
    const auto result = RunProgram([](Session& s) {
        PrepareUnits();
        const QString output_before = s.Output();
        const rt::Text twenty_two = rt::NewText("22");
        auto core = [](const auto&... args) { return std::to_string(rt::CallCore(args...)); };
        auto iext = [](const auto&... args) {
            return std::to_string(rt::CallLibrary(kLibIext, args...));
        };
        const Case cases[] = {
            // Each first case is the right target: the others differ from it in one word.
            {"pixel of the board",
             [&] { return core(abi::kCmdBoardReadPixel, Triple(Unit::画板1), 2, 1); }, "255"},
            {"pixel of the list view",
             [&] { return core(abi::kCmdBoardReadPixel, Triple(Unit::颜色分类列表框), 2, 1); },
             "0"},
            {"pixel of the board called a list view",
             [&] {
                 return core(abi::kCmdBoardReadPixel, WithType(Unit::画板1, abi::kTypeListView), 2,
                             1);
             },
             "0"},
            {"pixel of the board in another window",
             [&] {
                 return core(abi::kCmdBoardReadPixel,
                             InWindow(Unit::画板1, app::kStartWindowId + 1), 2, 1);
             },
             "0"},
            {"pixel of an ID no unit has",
             [&] {
                 return core(abi::kCmdBoardReadPixel,
                             rt::ArgTriple{app::kStartWindowId, 0x1601FFFF, abi::kTypeDrawingBoard},
                             2, 1);
             },
             "0"},
            {"find in the list view",
             [&] { return iext(abi::kCmdListFindRow, Triple(Unit::颜色分类列表框), twenty_two); },
             "1"},
            {"find in the board",
             [&] { return iext(abi::kCmdListFindRow, Triple(Unit::画板1), twenty_two); }, "0"},
            {"find in the list view called a board",
             [&] {
                 return iext(abi::kCmdListFindRow,
                             WithType(Unit::颜色分类列表框, abi::kTypeDrawingBoard), twenty_two);
             },
             "0"},
            {"cell of the board",
             [&] { return iext(abi::kCmdListGetCell, Triple(Unit::画板1), 1, 1); }, "0"},
            {"row appended to the board",
             [&] { return iext(abi::kCmdListAppendRow, Triple(Unit::画板1), twenty_two); }, "0"},
            {"cell of the board set",
             [&] { return iext(abi::kCmdListSetCell, Triple(Unit::画板1), 0, 1, twenty_two); },
             "0"},
            // The core's own commands are not a support library's: number to text asked of
            // krnln as a library reaches the unit, which has no such command.
            {"number to text as a library command",
             [&] {
                 return std::to_string(
                     rt::CallLibrary(kLibKrnln, abi::kCmdNumberToText, Triple(Unit::画板1), 5));
             },
             "0"},
            {"append to the progress bar",
             [&] {
                 return core(abi::kCmdEditAppendText, Triple(Unit::取色字符进度条), twenty_two);
             },
             "0"},
            {"a command number past the table",
             [&] { return core(1000u, Triple(Unit::画板1), 2, 1); }, "0"},
            {"position of the board",
             [&] { return std::to_string(Ctl(Unit::画板1).ReadInt(abi::kPropPosition)); }, "0"},
            {"position written to the board leaves the bar",
             [&] {
                 Ctl(Unit::画板1).WriteInt(abi::kPropPosition, 7);
                 return std::to_string(Ctl(Unit::取色字符进度条).ReadInt(abi::kPropPosition));
             },
             "41"},
            {"position in another window",
             [&] {
                 const app::UnitInfo& bar = app::Info(Unit::取色字符进度条);
                 return std::to_string(rt::g_bound.read_property(
                     app::kStartWindowId + 1, bar.id, abi::kPropPosition, abi::kWholeProperty));
             },
             "0"},
            {"a property number past the table",
             [&] { return std::to_string(Ctl(Unit::取色字符进度条).ReadInt(1000)); }, "0"},
        };
        RunCases(cases, std::size(cases));
        EXPECT_EQ(s.Output(), output_before) << "nothing reached the output box";
        EXPECT_EQ(app::ColorTable().RowCount(), 2) << "nothing was appended to the ColorTable";
    });
    EXPECT_EQ(result.exit_code, 0);
}

TEST(FlatDispatch, ABoxOfTheSameTypeButAnotherKindIsServedByItsOwnKind) {
    // The output box, the help text and the replace box are all edit boxes, each shown by a
    // widget of its own: an append goes to the box it names, as that box appends.
    const auto result = RunProgram([](Session& s) {
        const QString output_before = s.Output();
        const auto help = Ctl<rt::EditBox>(Unit::编辑框3);
        const auto replace = Ctl<rt::EditBox>(Unit::替换编辑框);
        const std::string help_before(help.Content().view());
        replace.SetContent(rt::NewText("ab"));
        help.Append(rt::NewText("Qz"));
        replace.Append(rt::NewText("Cd"));
        EXPECT_EQ(std::string(help.Content().view()), help_before + "Qz");
        EXPECT_EQ(std::string(replace.Content().view()), "abCd");
        EXPECT_EQ(s.Output(), output_before);
    });
    EXPECT_EQ(result.exit_code, 0);
}

TEST(FlatDispatch, DoubleAndOmittedArgumentsAreConvertedAsEverywhere) {
    const auto result = RunProgram([](Session&) {
        PrepareUnits();
        const rt::ArgTriple board = Triple(Unit::画板1);
        const rt::ArgTriple table = Triple(Unit::颜色分类列表框);
        auto core = [](const auto&... args) { return std::to_string(rt::CallCore(args...)); };
        auto cell = [](const auto&... args) {
            return TextOf(rt::CallLibrary(kLibIext, abi::kCmdListGetCell, args...));
        };
        const Case cases[] = {
            {"pixel at doubles, truncated",
             [&] { return core(abi::kCmdBoardReadPixel, board, 2.9, 1.7); }, "255"},
            {"pixel at negative doubles, toward zero",
             [&] { return core(abi::kCmdBoardReadPixel, board, -0.5, -0.9); }, "65280"},
            {"pixel at omitted x and y",
             [&] { return core(abi::kCmdBoardReadPixel, board, rt::kOmitted, rt::kOmitted); },
             "65280"},
            {"pixel with y missing from the block, as pixel (2, 0)",
             [&] { return core(abi::kCmdBoardReadPixel, board, 2); },
             std::to_string(Ctl<rt::Board>(Unit::画板1).Pixel(2, 0))},
            {"cell at doubles", [&] { return cell(table, 1.99, 1.0); }, "ab"},
            {"cell at omitted row and column",
             [&] { return cell(table, rt::kOmitted, rt::kOmitted); }, "11"},
            {"find an omitted text",
             [&] {
                 return std::to_string(
                     rt::Low(rt::CallLibrary(kLibIext, abi::kCmdListFindRow, table, rt::kOmitted)));
             },
             "-1"},
            {"append an omitted text",
             [&] {
                 return std::to_string(
                     rt::CallLibrary(kLibIext, abi::kCmdListAppendRow, table, rt::kOmitted));
             },
             "2"},
            {"find the empty text once appended",
             [&] { return std::to_string(app::ColorTable().FindRow(rt::NewText(""))); }, "2"},
        };
        RunCases(cases, std::size(cases));
    });
    EXPECT_EQ(result.exit_code, 0);
}

TEST(FlatDispatch, NumberToTextOfTheSameValueAgainAndOfItsNeighbours) {
    // The digits of the last value are kept: a value repeated, negated or changed in one digit
    // must each give its own text.
    const auto result = RunProgram([](Session& s) {
        const uint64_t blocks_before = s.BlocksInUse();
        const std::pair<int32_t, const char*> sequence[] = {
            {0, "0"},
            {0, "0"},
            {5, "5"},
            {5, "5"},
            {-5, "-5"},
            {-5, "-5"},
            {16777215, "16777215"},
            {16777215, "16777215"},
            {16777214, "16777214"},
            {-16777215, "-16777215"},
            {INT32_MIN, "-2147483648"},
            {INT32_MIN, "-2147483648"},
            {INT32_MAX, "2147483647"},
            {7, "7"},
            {0, "0"},
        };
        for (const auto& [value, text] : sequence) {
            EXPECT_EQ(rt::NumberToText(value).view(), text) << value;
        }
        EXPECT_EQ(rt::NumberToText(7.0).view(), "7");
        EXPECT_EQ(rt::NumberToText(7.5).view(), "7.5");
        EXPECT_EQ(rt::NumberToText(7).view(), "7");
        EXPECT_EQ(s.BlocksInUse(), blocks_before);
    });
    EXPECT_EQ(result.exit_code, 0);
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
