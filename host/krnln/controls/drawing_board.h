// The drawing board: a widget that owns its picture and draws pixel exact (no antialiasing,
// the pen colour exactly as given), so a drawn picture adds only the colours drawn with.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

namespace quorix::host {

class UnitHost;

// The largest board side the runtime accepts: sizes outside 1..kMaxBoardSide are refused.
constexpr int kMaxBoardSide = 4096;

class BoardWidget : public QWidget {
    Q_OBJECT
    // The board's picture, whole: what the pixel reads see.
    Q_PROPERTY(QImage picture READ image WRITE SetPicture)
public:
    explicit BoardWidget(QWidget* parent);

    void set_unit(UnitHost* unit) { unit_ = unit; }
    const QImage& image() const { return image_; }
    // Replaces the picture, keeping the board's size: what fits is copied, the rest is white.
    void SetPicture(const QImage& picture);

    // A pixel's colour value, 0x00BBGGRR; white for a position outside the board.
    int32_t Pixel(int x, int y) const {
        if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return 0x00FFFFFF;
        const QRgb rgb = reinterpret_cast<const QRgb*>(image_.constScanLine(y))[x];
        return static_cast<int32_t>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
    }
    void SetPixel(int x, int y, int32_t colour);
    void Line(QPoint a, QPoint b);
    void Ellipse(QPoint a, QPoint b);
    void Rectangle(QPoint a, QPoint b);
    void Arc(QPoint a, QPoint b, QPoint start, QPoint end);
    void Clear();
    void CopyTo(BoardWidget& target) const;
    // Draws an encoded picture scaled into `rect`, without smoothing. False when the bytes are
    // not a picture this runtime reads (nothing is drawn then).
    bool DrawPicture(const QByteArray& encoded, const QRect& rect, int32_t transparent);
    QByteArray AsBmp(int width, int height) const;
    // Makes the picture the widget's size, keeping what fits.
    void SyncImageToSize();

    int pen_width() const { return pen_width_; }
    void set_pen_width(int w) { pen_width_ = w; }
    int32_t pen_colour() const { return pen_colour_; }
    void set_pen_colour(int32_t c) { pen_colour_ = c; }
    void set_background(int32_t c) { background_ = c; }

    static QColor ColourOf(int32_t value) {
        return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
    }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPen Pen() const;
    void Changed(const QRect& area);

    UnitHost* unit_ = nullptr;
    QImage image_;
    int pen_width_ = 3;
    int32_t pen_colour_ = 0;           // black
    int32_t background_ = 0x00FFFFFF;  // white
};

}  // namespace quorix::host
