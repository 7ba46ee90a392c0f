// The drawing board's canvas: a widget that owns its picture, draws on it pixel exact (no
// antialiasing, the pen colour exactly as given, so a drawn picture adds only the colours drawn
// with) and tells of the pointer over it through signals. It knows nothing of the program.
#pragma once

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <cstring>

#include "host/krnln/color_value.h"
#include "host/krnln/controls/board_geometry.h"

namespace quorix::host {

class BoardWidget : public QWidget {
    Q_OBJECT
    // The board's picture, whole: what the pixel reads see.
    Q_PROPERTY(QImage picture READ Picture WRITE SetPicture)
public:
    explicit BoardWidget(QWidget* parent);

    // The picture. A copy of it shares the pixels until the board next draws: then the board
    // draws on pixels of its own and the copy keeps the picture as it was (see Own).
    const QImage& image() const { return image_; }
    // A copy of the picture that shares nothing with the board's.
    QImage Picture() const { return image_.copy(); }
    // Replaces the picture, keeping the board's size: what fits is copied, the rest is white.
    void SetPicture(const QImage& picture);
    // Pixels the board draws on the next time its picture is shared, instead of copying it into
    // fresh memory (which the kernel clears first: about 200 ms for 4096 x 4096 on the 2-core
    // machine, against 4 ms into pixels already there): undo hands back the picture it kept
    // when it keeps the board's new one. Dropped after three seconds in which the board did not
    // need them, so that the memory goes back once drawing stops. Only unshared pixels of the
    // picture's size are taken.
    void TakeSpare(QImage spare);
    // Gives the board (picture and widget) another size, keeping the part of the picture that
    // still fits; new area is background.
    void SetSize(QSize size);
    // Makes the picture the widget's size, after the widget was resized directly.
    void SyncPicture();

    // A pixel's colour value, 0x00BBGGRR; white for a position outside the board. Both steps
    // read every pixel through here.
    int32_t Pixel(int x, int y) const {
        if (x < 0 || y < 0 || x >= picture_size_.width() || y >= picture_size_.height()) {
            return 0x00FFFFFF;
        }
        QRgb rgb;
        std::memcpy(&rgb, pixels_ + qsizetype{y} * stride_ + qsizetype{x} * 4, 4);
        return static_cast<int32_t>(ValueFromRgb(rgb));
    }
    // The colour of the pixel `ahead` pixels after (x, y) in reading order (left to right, then
    // the next row); false, with nothing read, when that is past the last pixel or (x, y) is
    // not on the board.
    bool PixelAfter(int x, int y, int ahead, int32_t* colour) const {
        const int w = picture_size_.width(), h = picture_size_.height();
        if (x < 0 || y < 0 || x >= w || y >= h) return false;
        int ax = x + ahead, ay = y;
        if (ax >= w) {
            ax -= w;
            ++ay;
            if (ax >= w || ay >= h) return false;
        }
        *colour = Pixel(ax, ay);
        return true;
    }
    void SetPixel(int x, int y, int32_t colour);
    void Line(QPoint a, QPoint b);
    void Ellipse(QPoint a, QPoint b);
    void Rectangle(QPoint a, QPoint b);
    void Arc(QPoint a, QPoint b, QPoint start, QPoint end);
    void Clear();
    void CopyTo(BoardWidget& target) const;
    // Puts `pixels` on the picture with their top left corner at `at`, as they are.
    void PutPixels(const QImage& pixels, QPoint at);
    // Draws an encoded picture scaled into `rect`, without smoothing. False when the bytes are
    // not a picture this runtime reads (nothing is drawn then).
    bool DrawPicture(const QByteArray& encoded, const QRect& rect, int32_t transparent);
    QByteArray AsBmp(int width, int height) const;
    // The picture, `width` x `height` (the board's own over its background), as the bytes of a
    // file in Qt's `format` ("BMP", "PNG", "JPEG"); empty when it cannot be made.
    QByteArray AsFile(int width, int height, const char* format, int quality = -1) const;
    // Reduces the picture to at most `colours` colours (2 to 256); returns how many it has now.
    int ReduceColors(int colours, bool dither);

    int pen_width() const { return pen_width_; }
    // The width is kept as the pen draws with it: see board::PenWidthDrawn.
    void set_pen_width(int width) { pen_width_ = board::PenWidthDrawn(width); }
    int32_t pen_colour() const { return pen_colour_; }
    void set_pen_colour(int32_t c) { pen_colour_ = c & 0x00FFFFFF; }

    // The outermost widget the board shows in (a scrolling view), which the window places.
    QWidget* frame() const { return frame_ ? frame_.data() : const_cast<BoardWidget*>(this); }
    void set_frame(QWidget* frame) { frame_ = frame; }

    // A left release over the board that Qt gave to another widget, the one that got the press.
    void ReleasedFromElsewhere(QPoint at, Qt::KeyboardModifiers modifiers);

signals:
    // Pointer events over the board, in board pixels; `keys` is the key state (1 Ctrl, 2 Shift,
    // 4 Alt). A release or a movement outside the board is not the board's.
    void leftPressed(QPoint at, int keys);
    void leftReleased(QPoint at, int keys);
    void rightPressed(QPoint at, int keys);
    void pointerMoved(QPoint at, int keys);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    template <typename Draw>
    void DrawFigure(const QRect& box, Draw draw);
    void Changed(const QRect& figure);

    // Sets the picture and notes where its pixels are.
    void Adopt(QImage picture);
    // The picture to draw on: its pixels are the board's alone (a shared picture is copied
    // first, and pixels_ follows the copy). Every change to the picture goes through here.
    QImage& Own();
    // Takes spare_ as the picture when it fits (its pixels are not copied); false when not.
    bool AdoptSpare();
    // The picture filled with the background, to draw on; a shared one is not copied first.
    QImage& Blank();

    // The pixel reads see pixels_, which stays where image_'s pixels are: Adopt and Own move it
    // whenever the pixels move.
    QImage image_;
    QImage spare_;
    QTimer drop_spare_;
    const uchar* pixels_ = nullptr;
    qsizetype stride_ = 0;
    QSize picture_size_;
    int pen_width_ = 3;
    int32_t pen_colour_ = 0;           // black
    int32_t background_ = 0x00FFFFFF;  // white
    QPointer<QWidget> frame_;
};

}  // namespace quorix::host
