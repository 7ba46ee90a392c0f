#include "runtime/history.h"

namespace quorix::rt::history {

void Follow(const Board& picture, const Board& shown, const ListView& mapping) {
    Args<3> a;
    a.Triple(picture.triple()).Triple(shown.triple()).Triple(mapping.triple());
    CallCore(abi::kCmdHistoryFollow, a.block());
}

void NoteMapping() {
    Args<0> a;
    CallCore(abi::kCmdHistoryNoteMapping, a.block());
}

void Record(abi::HistoryPart part) {
    Args<1> a;
    a.Int(part);
    CallCore(abi::kCmdHistoryRecord, a.block());
}

bool Undo() {
    Args<0> a;
    return Low(CallCore(abi::kCmdHistoryUndo, a.block())) != 0;
}

bool Redo() {
    Args<0> a;
    return Low(CallCore(abi::kCmdHistoryRedo, a.block())) != 0;
}

}  // namespace quorix::rt::history
