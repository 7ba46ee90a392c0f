// The scan both steps make: every pixel of the picture board, row by row, letting pending
// events run before each pixel, and a stop asked for with "停止" honoured at the end of a row.
#pragma once

#include "app/program.h"

namespace quorix::app {

// Calls `pixel(colour)` with the text of each pixel's colour value, left to right and top to
// bottom, and `row_done()` after each complete row. Each row reads the board's width anew: a
// board resized meanwhile counts from there. A stop requested during a row ends the scan at
// its end, before `row_done()`.
template <typename Pixel, typename RowDone>
void ScanPixels(const rt::Board& board, Pixel pixel, RowDone row_done) {
    StopRequest().Assign(Constant(Ref::Dash));
    const int32_t height = board.Height();
    for (int32_t y = 0; y < height; ++y) {
        const int32_t row_width = board.Width();
        for (int32_t x = 0; x < row_width; ++x) {
            rt::DoEvents();
            pixel(rt::NumberToText(board.Pixel(x, y)));
        }
        if (StopRequest().Equals(Constant(Ref::Stop))) break;
        row_done();
    }
}

}  // namespace quorix::app
