// Step one: every distinct colour of the picture board becomes a row of the ColorTable, and
// each row gets two random digits. Also the stop button shared by both steps.
#include "app/program.h"
#include "convert/pixel_scan.h"

namespace quorix::app {

void ClassifyColors(const EventArgs&) {
    const rt::ListView table = ColorTable();
    const auto board = Ctl<rt::Board>(Unit::画板1);
    const rt::Control progress = Ctl(Unit::取色字符进度条);

    table.DeleteAllRows();
    progress.WriteInt(abi::kPropMaximum, board.Height() * board.Width());
    progress.WriteInt(abi::kPropPosition, 0);
    ScanPixels(
        board,
        [&](const rt::Text& colour) {
            if (table.FindRow(colour) == -1) table.AppendRow(colour);
            progress.WriteInt(abi::kPropPosition, progress.ReadInt(abi::kPropPosition) + 1);
        },
        [] {});

    const int32_t rows = table.RowCount();
    for (int32_t i = 0; i < rows; ++i) {
        const rt::Text first = rt::NumberToText(rt::RandomInteger(0, 9));
        const rt::Text second = rt::NumberToText(rt::RandomInteger(0, 9));
        table.SetCell(i, 1, first + second);
    }
}

void RequestStop(const EventArgs&) {
    StopRequest().Assign(Constant(Ref::Stop));
}

}  // namespace quorix::app
