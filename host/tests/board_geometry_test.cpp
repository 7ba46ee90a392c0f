// The drawing board's geometry, without a window: figure boxes, arc angles, the part to
// repaint and the room a board's view may take.
#include <gtest/gtest.h>

#include <climits>

#include "host/krnln/controls/board_geometry.h"

namespace quorix::host::board {
namespace {

TEST(BoardGeometry, TheBoxOfTwoCornersInEitherOrder) {
    struct Row {
        QPoint a, b;
        QRect box;
    } rows[] = {
        {{20, 20}, {70, 60}, {20, 20, 50, 40}},
        {{70, 60}, {20, 20}, {20, 20, 50, 40}},  // swapped corners
        {{70, 20}, {20, 60}, {20, 20, 50, 40}},  // the other diagonal
        {{30, 30}, {30, 30}, {30, 30, 0, 0}},    // start equal to end
        {{30, 10}, {30, 90}, {30, 10, 0, 80}},   // no width
        {{-5, -5}, {5, 5}, {-5, -5, 10, 10}},    // partly off the board
    };
    for (const Row& r : rows) {
        EXPECT_EQ(BoxOf(r.a, r.b), r.box)
            << r.a.x() << "," << r.a.y() << " " << r.b.x() << "," << r.b.y();
    }
    // Corners at the ends of the integers give a box whose size does not overflow.
    const QRect far = BoxOf({INT_MIN, INT_MIN}, {INT_MAX, INT_MAX});
    EXPECT_GT(far.width(), 0);
    EXPECT_TRUE(far.contains(QRect(0, 0, 4096, 4096)));
}

TEST(BoardGeometry, TheArcRunsCounterClockwiseFromTheStartRadialToTheEndRadial) {
    const QRect circle(0, 0, 100, 100);
    const QRect wide(0, 0, 200, 100);
    struct Row {
        QRect box;
        QPoint start, end;
        ArcAngles angles;  // sixteenths of a degree
    } rows[] = {
        {circle, {100, 50}, {50, 0}, {0, 90 * 16}},          // right to top: a quarter
        {circle, {50, 0}, {100, 50}, {90 * 16, 270 * 16}},   // top to right: three quarters
        {circle, {0, 50}, {100, 50}, {180 * 16, 180 * 16}},  // left to right, over the bottom
        {circle, {80, 20}, {80, 20}, {45 * 16, 360 * 16}},   // equal radials: the whole ellipse
        {circle, {100, 0}, {0, 100}, {45 * 16, 180 * 16}},   // the box's corners
        // On a wide ellipse the radial to the box's corner meets it at parameter 45 degrees.
        {wide, {200, 0}, {100, 0}, {45 * 16, 45 * 16}},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(ArcFrom(r.box, r.start, r.end), r.angles)
            << r.start.x() << "," << r.start.y() << " to " << r.end.x() << "," << r.end.y();
    }
    // A box of no size still gives an arc.
    EXPECT_GT(ArcFrom(QRect(10, 10, 0, 0), {20, 10}, {10, 0}).span16, 0);
}

TEST(BoardGeometry, TheRepaintCoversThePensReachWithinTheBoard) {
    const QSize board(100, 100);
    struct Row {
        QRect figure;
        int pen;
        QRect dirty;
    } rows[] = {
        {{20, 20, 50, 40}, 3, QRect(QPoint(15, 15), QPoint(74, 64))},
        {{20, 20, 50, 40}, 0, QRect(QPoint(17, 17), QPoint(72, 62))},   // drawn one pixel wide
        {{20, 20, 50, 40}, -7, QRect(QPoint(17, 17), QPoint(72, 62))},  // a negative pen too
        {{0, 0, 10, 10}, 3, QRect(QPoint(0, 0), QPoint(14, 14))},       // cut at the edge
        {{90, 90, 50, 50}, 3, QRect(QPoint(85, 85), QPoint(99, 99))},
        {{30, 30, 0, 0}, 3, QRect(QPoint(25, 25), QPoint(34, 34))},  // a figure of no size
        {{20, 20, 10, 10}, INT_MAX, QRect(0, 0, 100, 100)},          // no overflow
        {{500, 500, 10, 10}, 3, QRect()},                            // off the board
    };
    for (const Row& r : rows) {
        EXPECT_EQ(DirtyRect(r.figure, r.pen, board), r.dirty) << "pen " << r.pen;
    }
}

TEST(BoardGeometry, ThePenDrawsAtLeastOnePixelWide) {
    EXPECT_EQ(PenWidthDrawn(-3), 1);
    EXPECT_EQ(PenWidthDrawn(0), 1);
    EXPECT_EQ(PenWidthDrawn(1), 1);
    EXPECT_EQ(PenWidthDrawn(4), 4);
    EXPECT_EQ(PenWidthDrawn(INT_MAX), kMaxPenWidth);
}

TEST(BoardGeometry, TheViewTakesTheRoomUpToTheControlsBesideAndBelow) {
    // The picture board's page: the pen frame and buttons to its right, the progress bar below.
    const QRect page(0, 0, 1000, 328);
    const std::vector<QRect> tab = {
        {676, 31, 56, 160},  {736, 31, 63, 32},   {736, 111, 63, 26},
        {676, 195, 124, 40}, {802, 32, 186, 290}, {14, 312, 780, 10},
    };
    EXPECT_EQ(FreeArea(page, {8, 32}, tab), QRect(8, 32, 668, 280));
    // Nothing around: the rest of the page.
    EXPECT_EQ(FreeArea(page, {8, 32}, {}), QRect(8, 32, 992, 296));
    // A control over the corner leaves no room.
    EXPECT_TRUE(FreeArea(page, {8, 32}, {{0, 0, 50, 50}}).isEmpty());
    // Narrow and down to the wide control, or wide and down to the tall one: the larger wins.
    EXPECT_EQ(FreeArea(page, {0, 0}, {{100, 50, 10, 250}, {0, 200, 1000, 10}}),
              QRect(0, 0, 1000, 50));
    EXPECT_EQ(FreeArea(page, {0, 0}, {{100, 150, 10, 150}, {0, 200, 1000, 10}}),
              QRect(0, 0, 1000, 150));
    EXPECT_EQ(FreeArea(page, {0, 0}, {{100, 10, 10, 300}, {0, 200, 1000, 10}}),
              QRect(0, 0, 100, 200));
}

}  // namespace
}  // namespace quorix::host::board
