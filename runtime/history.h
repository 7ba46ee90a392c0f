// Undo and redo as the program asks for them: the runtime keeps the history, the program tells
// it what it follows and when a change has been made.
#pragma once

#include "runtime/controls.h"

namespace quorix::rt::history {

// From now on the history follows the picture of `picture`, which `shown` shows, and the mapping
// that `mapping` holds; it starts empty.
void Follow(const Board& picture, const Board& shown, const ListView& mapping);
// Notes the mapping as it stands, before a change to it.
void NoteMapping();
// A change to `part` has been made: it joins the history (nothing when nothing changed).
void Record(abi::HistoryPart part);
// Takes the last change back; false when there is none.
bool Undo();
// Makes the last change taken back again; false when there is none.
bool Redo();

}  // namespace quorix::rt::history
