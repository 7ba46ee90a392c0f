// The geometry of the drawing board: figure boxes, arc angles, the part of a board to repaint
// and the room a board's view may take on its page. Plain functions: no widget, no display.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <vector>

namespace quorix::host::board {

// The largest board side the runtime accepts: sizes outside 1..kMaxSide are refused.
constexpr int kMaxSide = 4096;
// The widest pen: wider than a board's diagonal, it draws as any wider pen would.
constexpr int kMaxPenWidth = 16384;

// The width the pen really draws with: at least one pixel, at most kMaxPenWidth.
int PenWidthDrawn(int width);

// The box with corners `a` and `b`, in whichever order: its left and top are the smaller
// coordinates and its width and height the distances between them, so a box from (0, 0) to
// (10, 5) is 10 wide and its outline covers columns 0 to 10. Coordinates far outside any board
// are first brought within reach, so that the distances cannot overflow.
QRect BoxOf(QPoint a, QPoint b);

// An arc of the ellipse inscribed in `box`, counter-clockwise from the radial through `start`
// to the radial through `end` (the platform's elliptical arc), in Qt's sixteenths of a degree
// of the ellipse's parameter. The start is in [0, 360) degrees and the span in (0, 360]: equal
// radials give the whole ellipse.
struct ArcAngles {
    int start16 = 0;
    int span16 = 0;
    friend bool operator==(const ArcAngles&, const ArcAngles&) = default;
};
ArcAngles ArcFrom(QRect box, QPoint start, QPoint end);

// The part of a board of size `board` that drawing `figure` with a pen of width `pen_width`
// can change: the figure's box grown by the pen's reach, within the board.
QRect DirtyRect(QRect figure, int pen_width, QSize board);

// The largest rectangle with its top-left corner at `origin`, inside `page`, that overlaps
// none of `others`: the room a board's view may take without covering another control.
QRect FreeArea(QRect page, QPoint origin, const std::vector<QRect>& others);

}  // namespace quorix::host::board
