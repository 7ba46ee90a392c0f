// Large texts between the widgets and program memory. A character picture's text crosses over
// and comes back whole: a replace reads the output box's text, hands it to the expression
// engine, and sets the result as the box's text. Each crossing converts megabytes and fills
// fresh memory; a text that comes back as the very bytes it crossed over as is taken back
// as the string it was, after a check that reads it once.
#pragma once

#include <QString>
#include <string_view>

#include "host/krnln/program_memory.h"

namespace quorix::host {

// A new text in program memory holding `text` as GB18030, written in place; 0 when memory
// is exhausted. A large text is remembered until ForgetProgramTexts().
QxAddr NewProgramText(ProgramMemory& memory, const QString& text);

// What FromProgramText(bytes) gives; for the bytes of a text remembered by NewProgramText,
// that text itself, shared rather than converted.
QString TextFromProgram(std::string_view bytes);

// Lets go of the remembered texts: the runtime calls this when a routine of the program has
// ended, and a widget before it changes a text it may share with them.
void ForgetProgramTexts();

}  // namespace quorix::host
