#include "host/krnln/controls/drawing_board.h"

#include <QBuffer>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QtEndian>
#include <cmath>

#include "host/krnln/controls/kinds.h"
#include "host/krnln/runtime.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

// Pointer events every kind shares.
constexpr int32_t kEvLeftDown = -1;
constexpr int32_t kEvLeftUp = -2;
constexpr int32_t kEvRightDown = -4;
constexpr int32_t kEvPointerMoved = -6;

// A picture is decoded whole up to this many megabytes; the reader refuses any allocation above.
constexpr int kDecodeLimitMb = 256;
// Pictures with more pixels than this are refused even where they could be decoded scaled: it
// holds 20,000 x 20,000 and keeps a scaled decode's reading time bounded.
constexpr qint64 kMaxPicturePixels = qint64(512) * 1024 * 1024;

int32_t KeyState(Qt::KeyboardModifiers m) {
    return (m & Qt::ControlModifier ? 1 : 0) | (m & Qt::ShiftModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}

QRect Corners(QPoint a, QPoint b) {
    const int left = std::min(a.x(), b.x());
    const int top = std::min(a.y(), b.y());
    return QRect(left, top, std::abs(a.x() - b.x()), std::abs(a.y() - b.y()));
}

// A bitmap whose pixel data would start at or past the end of the file holds no picture; Qt's
// reader would otherwise decode whatever bytes it happens to stand on.
bool BitmapPixelsInside(const QByteArray& encoded) {
    constexpr int kPixelOffsetAt = 10;
    if (encoded.size() < kPixelOffsetAt + 4) return false;
    const quint32 offset = qFromLittleEndian<quint32>(encoded.constData() + kPixelOffsetAt);
    return offset < quint64(encoded.size());
}

// Decodes a picture to be drawn into a target of `target` pixels. A picture that fits in
// kDecodeLimitMb is decoded whole, so that the stretch to the target picks pixels without
// smoothing. A larger one is decoded at the size it is shown at where its format can do that
// while reading (a format's own scaled decode may smooth: better than refusing it); any other,
// and any picture of more than kMaxPicturePixels, is refused from its header alone.
QImage DecodeForBoard(const QByteArray& encoded, QSize target) {
    QBuffer buffer;
    buffer.setData(encoded);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(kDecodeLimitMb);
    const QSize full = reader.size();
    if (full.isValid()) {
        const qint64 pixels = qint64(full.width()) * full.height();
        if (pixels > kMaxPicturePixels) return {};
        if (pixels * 4 > qint64(kDecodeLimitMb) * 1024 * 1024) {
            if (!reader.supportsOption(QImageIOHandler::ScaledSize)) return {};
            reader.setScaledSize(QSize(std::min(full.width(), target.width()),
                                       std::min(full.height(), target.height())));
        }
    }
    if (reader.format() != "bmp") return reader.read();
    if (!BitmapPixelsInside(encoded)) return {};
    // Qt's bitmap reader leaves unset the pixels a damaged file does not give (a cut-short
    // stream, a run-length code that stops early), so they would show whatever memory held.
    // Given a zeroed picture of the size and format it decodes to, it fills that one in place:
    // the missing pixels stay black and every decode of the same bytes gives the same picture.
    QImage picture;
    if (full.isValid() && reader.imageFormat() != QImage::Format_Invalid) {
        picture = QImage(full, reader.imageFormat());
        picture.fill(0);
    }
    return reader.read(&picture) ? picture : QImage();
}

}  // namespace

BoardWidget::BoardWidget(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    image_ = QImage(1, 1, QImage::Format_RGB32);
    image_.fill(ColourOf(background_));
}

QPen BoardWidget::Pen() const {
    QPen pen(ColourOf(pen_colour_));
    pen.setWidth(std::max(1, pen_width_));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void BoardWidget::Changed(const QRect& area) {
    const int margin = pen_width_ + 2;
    update(area.adjusted(-margin, -margin, margin, margin));
}

void BoardWidget::SetPixel(int x, int y, int32_t colour) {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
    image_.setPixel(x, y, ColourOf(colour).rgb());
    update(x, y, 1, 1);
}

void BoardWidget::Line(QPoint a, QPoint b) {
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Pen());
    p.drawLine(a, b);
    Changed(QRect(a, b).normalized());
}

void BoardWidget::Ellipse(QPoint a, QPoint b) {
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Pen());
    p.setBrush(Qt::NoBrush);
    const QRect r = Corners(a, b);
    p.drawEllipse(r);
    Changed(r);
}

void BoardWidget::Rectangle(QPoint a, QPoint b) {
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Pen());
    p.setBrush(Qt::NoBrush);
    const QRect r = Corners(a, b);
    p.drawRect(r);
    Changed(r);
}

void BoardWidget::Arc(QPoint a, QPoint b, QPoint start, QPoint end) {
    // Counter-clockwise from the radial through `start` to the radial through `end`, as the
    // platform's elliptical arc runs. Qt measures arcs by the ellipse's parameter, so each
    // radial's angle is converted to the parameter of the point where it meets the ellipse.
    const QRect r = Corners(a, b);
    const double cx = r.x() + r.width() / 2.0;
    const double cy = r.y() + r.height() / 2.0;
    const double rx = std::max(r.width() / 2.0, 0.5);
    const double ry = std::max(r.height() / 2.0, 0.5);
    auto parameter = [&](QPoint p) {
        const double theta = std::atan2(-(p.y() - cy), p.x() - cx);
        return std::atan2(rx * std::sin(theta), ry * std::cos(theta)) * 180.0 / M_PI;
    };
    const double from = parameter(start);
    double span = parameter(end) - from;
    while (span <= 0) span += 360.0;
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Pen());
    p.drawArc(r, static_cast<int>(std::lround(from * 16)),
              static_cast<int>(std::lround(span * 16)));
    Changed(r);
}

void BoardWidget::SetPicture(const QImage& picture) {
    image_.fill(ColourOf(background_));
    QPainter p(&image_);
    p.drawImage(0, 0, picture.convertToFormat(QImage::Format_RGB32));
    update();
}

void BoardWidget::Clear() {
    image_.fill(ColourOf(background_));
    update();
}

void BoardWidget::CopyTo(BoardWidget& target) const {
    // Row by row over the part both boards have: the whole cost of a pointer movement.
    const int w = std::min(image_.width(), target.image_.width());
    const int h = std::min(image_.height(), target.image_.height());
    for (int y = 0; y < h; ++y) {
        std::memcpy(target.image_.scanLine(y), image_.constScanLine(y), size_t(w) * 4);
    }
    target.update(0, 0, w, h);
}

bool BoardWidget::DrawPicture(const QByteArray& encoded, const QRect& rect, int32_t transparent) {
    if (encoded.isEmpty() || rect.width() <= 0 || rect.height() <= 0) return false;
    QImage picture = DecodeForBoard(encoded, rect.size());
    if (picture.isNull()) return false;
    // Only a colour value can be transparent: a negative key (as the program passes) or one
    // above white leaves every pixel drawn.
    if (transparent >= 0 && transparent <= 0x00FFFFFF) {
        picture = picture.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = ColourOf(transparent).rgb();
        for (int y = 0; y < picture.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x) {
                if ((line[x] | 0xFF000000u) == key) line[x] = 0;
            }
        }
    }
    QPainter p(&image_);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(rect, picture);
    update(rect);
    return true;
}

QByteArray BoardWidget::AsBmp(int width, int height) const {
    if (width <= 0 || height <= 0) return {};
    QImage out(width, height, QImage::Format_RGB32);
    out.fill(ColourOf(background_));
    {
        QPainter p(&out);
        p.drawImage(0, 0, image_);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!out.save(&buffer, "BMP")) return {};
    return bytes;
}

void BoardWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.drawImage(event->rect(), image_, event->rect());
}

void BoardWidget::resizeEvent(QResizeEvent*) {
    SyncImageToSize();
}

void BoardWidget::SyncImageToSize() {
    // The part of the picture that still fits is kept; new area is background. A hidden board
    // gets no resize events, so every resize of the unit calls this directly too.
    if (image_.size() == size() || width() <= 0 || height() <= 0) return;
    QImage resized(size(), QImage::Format_RGB32);
    resized.fill(ColourOf(background_));
    const int w = std::min(image_.width(), resized.width());
    const int h = std::min(image_.height(), resized.height());
    for (int y = 0; y < h; ++y) {
        std::memcpy(resized.scanLine(y), image_.constScanLine(y), size_t(w) * 4);
    }
    image_ = std::move(resized);
}

// The board answers pointer events only while the pointer is over it: a button released or a
// pointer moved outside the board is not its event, even while Qt keeps delivering them to it.
void BoardWidget::mousePressEvent(QMouseEvent* event) {
    if (unit_ == nullptr) return;
    const QPoint p = event->position().toPoint();
    const int32_t keys = KeyState(event->modifiers());
    if (event->button() == Qt::LeftButton) unit_->Raise(kEvLeftDown, {p.x(), p.y(), keys});
    if (event->button() == Qt::RightButton) unit_->Raise(kEvRightDown, {p.x(), p.y(), keys});
}

void BoardWidget::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (unit_ == nullptr || !rect().contains(p) || event->button() != Qt::LeftButton) return;
    unit_->Raise(kEvLeftUp, {p.x(), p.y(), KeyState(event->modifiers())});
}

void BoardWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (unit_ == nullptr || !rect().contains(p)) return;
    unit_->Raise(kEvPointerMoved, {p.x(), p.y(), KeyState(event->modifiers())});
}

// ---- The unit ---------------------------------------------------------------------------
namespace {

class DrawingBoardUnit : public UnitHost {
public:
    DrawingBoardUnit(Runtime& rt, const form::UnitBlock& block, BoardWidget* board)
        : UnitHost(rt, block, board), board_(board) {
        board_->set_unit(this);
    }

    uint32_t ReadProperty(uint32_t property, int32_t member) override {
        switch (property) {
            case abi::kPropPenWidth:
                return static_cast<uint32_t>(board_->pen_width());
            case abi::kPropPenColor:
                return static_cast<uint32_t>(board_->pen_colour());
            default:
                return UnitHost::ReadProperty(property, member);
        }
    }

    void WriteProperty(uint32_t property, int32_t member, uint32_t low, uint32_t high) override {
        switch (property) {
            case abi::kPropPenWidth:
                board_->set_pen_width(static_cast<int32_t>(low));
                break;
            case abi::kPropPenColor:
                board_->set_pen_colour(static_cast<int32_t>(low & 0x00FFFFFF));
                break;
            case abi::kPropWidth:
            case abi::kPropHeight: {
                const int v = static_cast<int32_t>(low);
                if (v >= 1 && v <= kMaxBoardSide)
                    UnitHost::WriteProperty(property, member, low, high);
                board_->SyncImageToSize();
                break;
            }
            default:
                UnitHost::WriteProperty(property, member, low, high);
        }
    }

    uint64_t Command(uint32_t command, const ArgView& args) override;

protected:
    void Move(const ArgView& args) override {
        // A board takes only sizes it can hold: 1 to 4096 pixels a side. Anything else leaves
        // it as it is (a 0 would empty it, a huge one exhaust memory).
        const int width = args.at(3).omitted() ? board_->width() : args.Int(3);
        const int height = args.at(4).omitted() ? board_->height() : args.Int(4);
        if (width < 1 || height < 1 || width > kMaxBoardSide || height > kMaxBoardSide) return;
        UnitHost::Move(args);
        board_->SyncImageToSize();
    }

    void Placed() override { board_->SyncImageToSize(); }

private:
    BoardWidget* Other(const Arg& a) const {
        UnitHost* u = runtime_.FindUnit(a.low, a.high, a.type);
        return u != nullptr && u->type() == abi::kTypeDrawingBoard
                   ? static_cast<BoardWidget*>(u->widget())
                   : nullptr;
    }

    BoardWidget* board_;
};

uint64_t DrawingBoardUnit::Command(uint32_t command, const ArgView& a) {
    switch (command) {
        case abi::kCmdBoardReadPixel:
            return static_cast<uint32_t>(board_->Pixel(a.Int(1), a.Int(2)));
        case abi::kCmdBoardSetPixel:
            board_->SetPixel(a.Int(1), a.Int(2), a.Int(3));
            return 0;
        case abi::kCmdBoardLine:
            board_->Line({a.Int(1), a.Int(2)}, {a.Int(3), a.Int(4)});
            return 0;
        case abi::kCmdBoardEllipse:
            board_->Ellipse({a.Int(1), a.Int(2)}, {a.Int(3), a.Int(4)});
            return 0;
        case abi::kCmdBoardRectangle:
            board_->Rectangle({a.Int(1), a.Int(2)}, {a.Int(3), a.Int(4)});
            return 0;
        case abi::kCmdBoardArc:
            board_->Arc({a.Int(1), a.Int(2)}, {a.Int(3), a.Int(4)}, {a.Int(5), a.Int(6)},
                        {a.Int(7), a.Int(8)});
            return 0;
        case abi::kCmdBoardClear:
            board_->Clear();
            return 0;
        case abi::kCmdBoardCopyTo:
            if (BoardWidget* target = Other(a.at(1))) board_->CopyTo(*target);
            return 0;
        case abi::kCmdBoardDrawPicture: {
            const std::string_view bytes = a.Binary(runtime_.memory(), 1);
            board_->DrawPicture(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                QRect(a.Int(2), a.Int(3), a.Int(4), a.Int(5)), a.Int(6));
            return 0;
        }
        case abi::kCmdBoardGetBmp: {
            const QByteArray bmp = board_->AsBmp(a.Int(1), a.Int(2));
            return runtime_.memory().NewBinary({bmp.constData(), static_cast<size_t>(bmp.size())});
        }
        default:
            return UnitHost::Command(command, a);
    }
}

}  // namespace

UnitPtr CreateDrawingBoard(Runtime& rt, const form::UnitBlock& block, QWidget* parent) {
    auto* board = new BoardWidget(parent);
    return std::make_unique<DrawingBoardUnit>(rt, block, board);
}

}  // namespace quorix::host
