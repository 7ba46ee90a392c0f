#include "runtime/history.h"

namespace quorix::rt::history {

void Follow(const Board& picture, const Board& shown, const ListView& mapping) {
    CallCore(abi::kCmdHistoryFollow, picture, shown, mapping);
}

void NoteMapping() {
    CallCore(abi::kCmdHistoryNoteMapping);
}

void Record(abi::HistoryPart part) {
    CallCore(abi::kCmdHistoryRecord, part);
}

bool Undo() {
    return Low(CallCore(abi::kCmdHistoryUndo)) != 0;
}

bool Redo() {
    return Low(CallCore(abi::kCmdHistoryRedo)) != 0;
}

}  // namespace quorix::rt::history
