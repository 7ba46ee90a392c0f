// The character picture kept and shared: its text saved to a file, and the picture in colour
// (each pixel's characters in that pixel's colour) saved as a web page or a picture, or put on
// the clipboard as HTML beside the plain text. A save that fails says so and leaves an existing
// file as it was.
#include "app/program.h"
#include "output/file_names.h"

namespace quorix::app {
void SaveCharacterPicture(const EventArgs&) {
    const auto dialog = Ctl<rt::FileDialog>(Unit::通用对话框1);
    if (!dialog.SaveAs(abi::kSaveCharacterText)) return;
    const rt::Text path = dialog.ReadText(abi::kPropFileName);
    SayIfFailed(Ctl<rt::EditBox>(Unit::编辑框1).SaveText(path));
}

void ExportColouredPicture(const EventArgs&) {
    const auto dialog = Ctl<rt::FileDialog>(Unit::通用对话框1);
    if (!dialog.SaveAs(abi::kSaveColouredPicture)) return;
    const rt::Text path = dialog.ReadText(abi::kPropFileName);
    // The dialog gives a name the ending of the kind chosen in it; a name typed with its own
    // ending keeps it.
    const abi::ColouredFormat format =
        EndsWithIgnoringCase(path.view(), ".png") ? abi::kColouredPng : abi::kColouredHtml;
    SayIfFailed(
        ColorTable().SaveColouredPicture(Ctl(Unit::画板1), Ctl(Unit::编辑框1), path, format));
}

void CopyColouredPicture(const EventArgs&) {
    SayIfFailed(ColorTable().CopyColouredPicture(Ctl(Unit::画板1), Ctl(Unit::编辑框1)));
}

}  // namespace quorix::app
