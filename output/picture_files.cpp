// Loading a picture onto both drawing boards and saving the picture board as a bitmap.
#include "app/program.h"
#include "output/file_names.h"
#include "runtime/history.h"

namespace quorix::app {

namespace {
// White (red, green and blue 255) negated: a colour no pixel has, so nothing is transparent.
constexpr int32_t kNoTransparentColour = -16777215;

// The format a file name asks for by its ending; a bitmap for any other.
abi::PictureFormat FormatNamedBy(std::string_view path) {
    if (EndsWithIgnoringCase(path, ".png")) return abi::kPicturePng;
    if (EndsWithIgnoringCase(path, ".jpg") || EndsWithIgnoringCase(path, ".jpeg")) {
        return abi::kPictureJpeg;
    }
    return abi::kPictureBmp;
}

}  // namespace

void LoadPicture(const EventArgs&) {
    const auto dialog = Ctl<rt::FileDialog>(Unit::通用对话框1);
    dialog.WriteInt(abi::kPropDialogMode, abi::kDialogOpenFile);
    dialog.WriteText(abi::kPropTitle, Constant(Ref::EmptyText));
    if (!dialog.Open()) return;
    const rt::Binary picture = rt::ReadFile(dialog.ReadText(abi::kPropFileName));
    const auto board = Ctl<rt::Board>(Unit::画板1);
    const int32_t width = board.Width();
    const int32_t height = board.Height();
    board.DrawPicture(picture, 0, 0, width, height, kNoTransparentColour);
    Ctl<rt::Board>(Unit::画板2).DrawPicture(picture, 0, 0, width, height, kNoTransparentColour);
    rt::history::Record(abi::kHistoryPicture);
}

void SavePicture(const EventArgs&) {
    const auto dialog = Ctl<rt::FileDialog>(Unit::通用对话框1);
    dialog.WriteText(abi::kPropTitle, Constant(Ref::SaveTitle));
    dialog.WriteInt(abi::kPropDialogMode, abi::kDialogSaveFile);
    if (!dialog.Open()) return;
    const rt::Text path = dialog.ReadText(abi::kPropFileName);
    const auto board = Ctl<rt::Board>(Unit::画板1);
    const rt::Binary picture =
        board.Picture(FormatNamedBy(path.view()), board.Width(), board.Height());
    // A save that fails says so: the user would otherwise close the program believing the
    // picture safe. The runtime's write leaves an existing file as it was.
    SayIfFailed(rt::WriteFileOrSayWhy(path, picture));
}

void ClickLoadPicture(const EventArgs& args) {
    LoadPicture(args);
}
void ClickSavePicture(const EventArgs& args) {
    SavePicture(args);
}

}  // namespace quorix::app
