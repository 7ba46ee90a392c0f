// The drawing board shares its picture with a copy taken of it (undo keeps one) until it draws:
// then the board draws on pixels of its own, its pixel reads see the drawing, and the copy
// stays the picture as it was.
#include "host/krnln/controls/board_widget.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <functional>

namespace quorix::host {
namespace {

constexpr int32_t kRed = 0x0000FF, kWhite = 0x00FFFFFF;

QByteArray RedPng(QSize size) {
    QImage red(size, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    red.save(&buffer, "PNG");
    return png;
}

// A 40 × 30 board with a red pen and one pixel of another colour: something for Clear to take
// away, and for a copy of the picture to carry over.
void Prepare(BoardWidget& board) {
    board.SetSize({40, 30});
    board.set_pen_colour(kRed);
    board.SetPixel(30, 25, 0x00123456);
}

// The pixel reads agree with the picture everywhere.
bool ReadsMatch(const BoardWidget& board) {
    for (int y = 0; y < board.image().height(); ++y) {
        for (int x = 0; x < board.image().width(); ++x) {
            const QRgb rgb = board.image().pixel(x, y);
            if (board.Pixel(x, y) != ((qBlue(rgb) << 16) | (qGreen(rgb) << 8) | qRed(rgb))) {
                return false;
            }
        }
    }
    return true;
}

struct Drawing {
    const char* name;
    std::function<void(BoardWidget&)> draw;
};

TEST(BoardWidget, ACopyOfThePictureKeepsItAsItWasWhileTheBoardDrawsOnItsOwn) {
    const QImage red_square = [] {
        QImage image(20, 20, QImage::Format_RGB32);
        image.fill(qRgb(255, 0, 0));
        return image;
    }();
    const std::vector<Drawing> drawings = {
        {"SetPixel", [](BoardWidget& b) { b.SetPixel(10, 10, kRed); }},
        {"Line",
         [](BoardWidget& b) {
             b.Line({0, 10}, {39, 10});
         }},
        {"Rectangle",
         [](BoardWidget& b) {
             b.Rectangle({5, 5}, {15, 15});
         }},
        {"Ellipse",
         [](BoardWidget& b) {
             b.Ellipse({0, 0}, {20, 20});
         }},
        {"Arc",
         [](BoardWidget& b) {
             b.Arc({0, 0}, {20, 20}, {20, 10}, {10, 0});
         }},
        {"Clear", [](BoardWidget& b) { b.Clear(); }},
        {"SetPicture", [&](BoardWidget& b) { b.SetPicture(red_square); }},
        {"PutPixels",
         [&](BoardWidget& b) {
             b.PutPixels(red_square, {5, 5});
         }},
        {"DrawPicture",
         [](BoardWidget& b) {
             b.DrawPicture(RedPng({8, 8}), QRect(4, 4, 8, 8), -1);
         }},
        {"CopyTo (the target)",
         [](BoardWidget& b) {
             BoardWidget source(nullptr);
             source.SetSize({40, 30});
             source.SetPixel(10, 10, kRed);
             source.CopyTo(b);
         }},
    };
    for (const Drawing& d : drawings) {
        SCOPED_TRACE(d.name);
        BoardWidget board(nullptr);
        Prepare(board);
        const QImage kept = board.image();
        const QImage before = board.Picture();
        ASSERT_EQ(kept.constBits(), board.image().constBits()) << "the copy shares the pixels";

        d.draw(board);

        EXPECT_EQ(kept, before) << "the copy changed with the board";
        EXPECT_NE(board.image(), before) << "the drawing changed nothing";
        EXPECT_NE(kept.constBits(), board.image().constBits());
        // The pixel reads see the board's own pixels, the drawing included.
        EXPECT_TRUE(ReadsMatch(board)) << "a pixel read saw something other than the picture";
        EXPECT_EQ(board.Pixel(-1, 0), kWhite);
    }
}

TEST(BoardWidget, ASpareOfThePicturesSizeIsDrawnOnInsteadOfACopyAndTheKeptPictureStays) {
    for (const QSize spare_size : {QSize(40, 30), QSize(41, 30)}) {
        SCOPED_TRACE(spare_size.width());
        BoardWidget board(nullptr);
        Prepare(board);
        const QImage kept = board.image();
        const QImage before = board.Picture();
        QImage spare(spare_size, QImage::Format_RGB32);
        spare.fill(Qt::green);
        const uchar* spare_pixels = spare.constBits();
        board.TakeSpare(std::move(spare));

        board.Line({0, 10}, {39, 10});

        // (A spare that does not fit is let go, and its memory may well come back for the copy.)
        if (spare_size == QSize(40, 30)) {
            EXPECT_EQ(board.image().constBits(), spare_pixels);
        }
        EXPECT_EQ(kept, before);
        EXPECT_EQ(board.Pixel(30, 25), 0x00123456) << "the picture was not carried over";
        EXPECT_EQ(board.Pixel(20, 10), kRed);
        EXPECT_EQ(board.Pixel(5, 5), kWhite) << "the spare's own pixels show through";
        EXPECT_TRUE(ReadsMatch(board));
    }
}

}  // namespace
}  // namespace quorix::host
