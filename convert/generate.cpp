// Step two: each pixel's colour is looked up in the ColorTable and its characters appended
// to the output box, with a line break after every complete row of pixels.
#include "app/program.h"
#include "convert/pixel_scan.h"

namespace quorix::app {

void GenerateCharacterPicture(const EventArgs&) {
    const rt::ListView table = ColorTable();
    const auto board = Ctl<rt::Board>(Unit::画板1);
    const auto output = Ctl<rt::EditBox>(Unit::编辑框1);

    ScanPixels(
        board,
        [&](const rt::Text& colour) {
            const rt::Text characters = table.Cell(table.FindRow(colour), 1);
            output.Append(characters);
        },
        [&] { output.Append(Constant(Ref::LineBreak)); });
}

}  // namespace quorix::app
