// Step two: each pixel's colour is looked up in the ColorTable and its characters appended
// to the output box, with a line break after every complete row of pixels.
#include "app/program.h"

namespace quorix::app {

void GenerateCharacterPicture(const EventArgs&) {
    const rt::ListView table = ColorTable();
    const auto board = Ctl<rt::Board>(Unit::画板1);
    const auto output = Ctl<rt::EditBox>(Unit::编辑框1);

    StopRequest().Assign(Constant(Ref::Dash));
    const int32_t height = board.Height();
    for (int32_t y = 0; y < height; ++y) {
        const int32_t row_width = board.Width();
        for (int32_t x = 0; x < row_width; ++x) {
            rt::DoEvents();
            const rt::Text colour = rt::NumberToText(board.Pixel(x, y));
            const rt::Text characters = table.Cell(table.FindRow(colour), 1);
            output.Append(characters);
        }
        if (StopRequest().Equals(Constant(Ref::Stop))) break;
        output.Append(Constant(Ref::LineBreak));
    }
}

}  // namespace quorix::app
