// Editing the ColorTable: a selected row shows its characters and colour; 按钮15 writes the
// combo box's text back into the row.
#include "app/program.h"
#include "runtime/history.h"

namespace quorix::app {

void ShowSelectedMapping(const EventArgs&) {
    const rt::ListView table = ColorTable();
    const rt::Control editor = Ctl(Unit::修改对应编辑框);
    editor.WriteText(abi::kPropText, table.Cell(table.SelectedRow(), 1));
    const rt::Text colour = table.Cell(table.SelectedRow(), 0);
    Ctl(Unit::对应修改颜色框).WriteInt(abi::kPropColor, rt::ToInteger(rt::TextToNumber(colour)));
}

void ModifyMapping(const EventArgs&) {
    const rt::ListView table = ColorTable();
    const int32_t row = table.SelectedRow();
    const rt::Text characters = Ctl(Unit::修改对应编辑框).ReadText(abi::kPropText);
    rt::history::NoteMapping();
    table.SetCell(row, 1, characters);
    rt::history::Record(abi::kHistoryMapping);
}

}  // namespace quorix::app
