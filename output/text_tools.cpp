// Tools on the output text: regular-expression replace, copy to the clipboard, clear.
#include "app/program.h"

namespace quorix::app {

void ReplaceCharacters(const EventArgs&) {
    const rt::RegEx regex(kOperandRegEx, kOperandRegExType);
    regex.Compile(Ctl(Unit::替换编辑框).ReadText(abi::kPropText));
    const auto output = Ctl<rt::EditBox>(Unit::编辑框1);
    const rt::Text text = output.Content();
    const rt::Text replacement = Ctl(Unit::修改对应编辑框1).ReadText(abi::kPropText);
    const rt::Text result = regex.Replace(text, replacement, 1, true, true);
    // A replace that changed nothing (no match, or a pattern the engine refused) leaves the box
    // alone: laying out megabytes of text again would cost a second for nothing.
    if (!(result == text)) output.SetContent(result);
}

void CopyOutput(const EventArgs&) {
    const auto output = Ctl<rt::EditBox>(Unit::编辑框1);
    output.SendMessage(abi::kMsgSetSelection, 0, -1);
    output.SendMessage(abi::kMsgCopy, 0, 0);
    output.SetFocus();
}

void ClearOutput(const EventArgs&) {
    Ctl<rt::EditBox>(Unit::编辑框1).SetContent(Constant(Ref::EmptyText));
}

}  // namespace quorix::app
