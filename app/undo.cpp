// Undo and redo ("编辑" → "撤销", "重做"): the runtime keeps one history, in time order, of the
// changes to the picture (each pen figure, a clear, a load, a new output size, fewer colours)
// and to the mapping (a row's characters, graded characters, a loaded scheme). The routines
// that make those changes record them; the steps are no changes of the user's and are not in it.
#include "app/program.h"
#include "runtime/history.h"

namespace quorix::app {

void Undo(const EventArgs&) {
    rt::history::Undo();
}

void Redo(const EventArgs&) {
    rt::history::Redo();
}

}  // namespace quorix::app
