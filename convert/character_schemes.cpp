// Character schemes ("文件操作" → "保存字符方案…", "载入字符方案…"): the ColorTable's mapping
// kept in a file, and given back to whatever colours the table holds then, each the characters
// of the scheme's nearest colour. A file that cannot be written or is not a scheme says so in a
// message, and a scheme that is not loaded changes nothing.
#include "app/program.h"
#include "runtime/history.h"

namespace quorix::app {
void SaveCharacterScheme(const EventArgs&) {
    const rt::Text path = Ctl<rt::FileDialog>(Unit::通用对话框1).AskScheme(/*save=*/true);
    if (path.empty()) return;
    SayIfFailed(ColorTable().SaveScheme(path));
}

void LoadCharacterScheme(const EventArgs&) {
    const rt::Text path = Ctl<rt::FileDialog>(Unit::通用对话框1).AskScheme(/*save=*/false);
    if (path.empty()) return;
    rt::history::NoteMapping();
    SayIfFailed(ColorTable().LoadScheme(path));
    rt::history::Record(abi::kHistoryMapping);
}

}  // namespace quorix::app
