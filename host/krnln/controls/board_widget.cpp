#include "host/krnln/controls/board_widget.h"

#include <QBuffer>
#include <QMouseEvent>
#include <QPainter>
#include <cstring>
#include <utility>

#include "host/krnln/controls/color_reduction.h"
#include "host/krnln/controls/picture_decoding.h"

namespace quorix::host {
namespace {

int KeyState(Qt::KeyboardModifiers m) {
    return (m & Qt::ControlModifier ? 1 : 0) | (m & Qt::ShiftModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}

// Copies the part of `from` that `to` also has, row by row.
void CopyOverlap(const QImage& from, QImage& to) {
    const int w = std::min(from.width(), to.width());
    const int h = std::min(from.height(), to.height());
    for (int y = 0; y < h; ++y) {
        std::memcpy(to.scanLine(y), from.constScanLine(y), size_t(w) * 4);
    }
}

}  // namespace

BoardWidget::BoardWidget(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    drop_spare_.setSingleShot(true);
    connect(&drop_spare_, &QTimer::timeout, this, [this] { spare_ = QImage(); });
    setAttribute(Qt::WA_OpaquePaintEvent);
    QImage blank(1, 1, QImage::Format_RGB32);
    blank.fill(ColorFromValue(background_));
    Adopt(std::move(blank));
    resize(image_.size());
}

void BoardWidget::Adopt(QImage picture) {
    image_ = std::move(picture);
    pixels_ = image_.constBits();
    stride_ = image_.bytesPerLine();
    picture_size_ = image_.size();
}

bool BoardWidget::AdoptSpare() {
    if (spare_.size() != image_.size() || spare_.format() != image_.format() ||
        spare_.bytesPerLine() != image_.bytesPerLine() || !spare_.isDetached()) {
        return false;
    }
    drop_spare_.stop();
    Adopt(std::exchange(spare_, QImage()));
    return true;
}

QImage& BoardWidget::Own() {
    if (image_.isDetached()) return image_;
    const QImage shared = image_;
    if (AdoptSpare()) {
        std::memcpy(image_.bits(), shared.constBits(), size_t(shared.sizeInBytes()));
    } else {
        image_.detach();
        pixels_ = image_.constBits();
    }
    return image_;
}

QImage& BoardWidget::Blank() {
    if (!image_.isDetached() && !AdoptSpare()) {
        Adopt(QImage(image_.size(), QImage::Format_RGB32));
    }
    image_.fill(ColorFromValue(background_));
    return image_;
}

void BoardWidget::TakeSpare(QImage spare) {
    if (spare.size() != image_.size() || !spare.isDetached()) return;
    spare_ = std::move(spare);
    drop_spare_.start(3000);
}

// Every figure is drawn pixel exact with the board's pen, unfilled, and repaints the part of
// the widget that `box` and the pen's width cover.
template <typename Draw>
void BoardWidget::DrawFigure(const QRect& box, Draw draw) {
    QPen pen(ColorFromValue(pen_colour_));
    pen.setWidth(pen_width_);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    QPainter p(&Own());
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    draw(p);
    Changed(box);
}

void BoardWidget::Changed(const QRect& figure) {
    update(board::DirtyRect(figure, pen_width_, image_.size()));
}

void BoardWidget::SetSize(QSize size) {
    resize(size);
    SyncPicture();
}

void BoardWidget::SyncPicture() {
    // A hidden widget hears of its resizes only once shown, so every resize goes through here.
    if (image_.size() == size() || size().isEmpty()) return;
    QImage resized(size(), QImage::Format_RGB32);
    resized.fill(ColorFromValue(background_));
    CopyOverlap(image_, resized);
    Adopt(std::move(resized));
    update();
}

void BoardWidget::resizeEvent(QResizeEvent*) {
    SyncPicture();
}

void BoardWidget::SetPixel(int x, int y, int32_t colour) {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
    Own().setPixel(x, y, RgbFromValue(colour));
    update(x, y, 1, 1);
}

void BoardWidget::PutPixels(const QImage& pixels, QPoint at) {
    QPainter p(&Own());
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(at, pixels);
    update(QRect(at, pixels.size()));
}

void BoardWidget::Line(QPoint a, QPoint b) {
    DrawFigure(board::BoxOf(a, b), [&](QPainter& p) { p.drawLine(a, b); });
}

void BoardWidget::Ellipse(QPoint a, QPoint b) {
    const QRect r = board::BoxOf(a, b);
    DrawFigure(r, [&](QPainter& p) { p.drawEllipse(r); });
}

void BoardWidget::Rectangle(QPoint a, QPoint b) {
    const QRect r = board::BoxOf(a, b);
    DrawFigure(r, [&](QPainter& p) { p.drawRect(r); });
}

void BoardWidget::Arc(QPoint a, QPoint b, QPoint start, QPoint end) {
    const QRect r = board::BoxOf(a, b);
    const board::ArcAngles angles = board::ArcFrom(r, start, end);
    DrawFigure(r, [&](QPainter& p) { p.drawArc(r, angles.start16, angles.span16); });
}

void BoardWidget::SetPicture(const QImage& picture) {
    QPainter p(&Blank());
    p.drawImage(0, 0, picture.convertToFormat(QImage::Format_RGB32));
    update();
}

void BoardWidget::Clear() {
    Blank();
    update();
}

void BoardWidget::CopyTo(BoardWidget& target) const {
    // The whole cost of a pointer movement.
    CopyOverlap(image_, target.Own());
    target.update(0, 0, std::min(image_.width(), target.image_.width()),
                  std::min(image_.height(), target.image_.height()));
}

bool BoardWidget::DrawPicture(const QByteArray& encoded, const QRect& rect, int32_t transparent) {
    if (encoded.isEmpty() || rect.width() <= 0 || rect.height() <= 0) return false;
    QImage picture = DecodeForBoard(encoded, rect.size());
    if (picture.isNull()) return false;
    // Only a colour value can be transparent: a negative key (as the program passes) or one
    // above white leaves every pixel drawn.
    if (transparent >= 0 && transparent <= 0x00FFFFFF) {
        picture = picture.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = RgbFromValue(transparent);
        for (int y = 0; y < picture.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x) {
                if ((line[x] | 0xFF000000u) == key) line[x] = 0;
            }
        }
    }
    QPainter p(&Own());
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(rect, picture);
    update(rect);
    return true;
}

QByteArray BoardWidget::AsBmp(int width, int height) const {
    return AsFile(width, height, "BMP");
}

QByteArray BoardWidget::AsFile(int width, int height, const char* format, int quality) const {
    if (width <= 0 || height <= 0) return {};
    QImage out(width, height, QImage::Format_RGB32);
    out.fill(ColorFromValue(background_));
    {
        QPainter p(&out);
        p.drawImage(0, 0, image_);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!out.save(&buffer, format, quality)) return {};
    return bytes;
}

int BoardWidget::ReduceColors(int colours, bool dither) {
    const ReducedPicture reduced = host::ReduceColors(image_, colours, dither);
    if (reduced.picture.isNull()) return 0;
    SetPicture(reduced.picture);
    return reduced.colours;
}

void BoardWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.drawImage(event->rect(), image_, event->rect());
}

void BoardWidget::ReleasedFromElsewhere(QPoint at, Qt::KeyboardModifiers modifiers) {
    if (rect().contains(at)) emit leftReleased(at, KeyState(modifiers));
}

// The board answers pointer events only while the pointer is over it: a button released or a
// pointer moved outside the board is not its event, even while Qt keeps delivering them to it.
void BoardWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const int keys = KeyState(event->modifiers());
    if (event->button() == Qt::LeftButton) emit leftPressed(p, keys);
    if (event->button() == Qt::RightButton) emit rightPressed(p, keys);
}

void BoardWidget::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (!rect().contains(p) || event->button() != Qt::LeftButton) return;
    emit leftReleased(p, KeyState(event->modifiers()));
}

void BoardWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (!rect().contains(p)) return;
    emit pointerMoved(p, KeyState(event->modifiers()));
}

}  // namespace quorix::host
