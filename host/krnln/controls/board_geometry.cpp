#include "host/krnln/controls/board_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace quorix::host::board {
namespace {

// Far beyond any board, and far from where a distance between two coordinates overflows.
constexpr int kReach = 1 << 20;

int WithinReach(int v) {
    return std::clamp(v, -kReach, kReach);
}

}  // namespace

int PenWidthDrawn(int width) {
    return std::clamp(width, 1, kMaxPenWidth);
}

QRect BoxOf(QPoint a, QPoint b) {
    const int ax = WithinReach(a.x()), ay = WithinReach(a.y());
    const int bx = WithinReach(b.x()), by = WithinReach(b.y());
    return QRect(std::min(ax, bx), std::min(ay, by), std::abs(ax - bx), std::abs(ay - by));
}

ArcAngles ArcFrom(QRect box, QPoint start, QPoint end) {
    // Qt measures an arc by the ellipse's parameter, not by the angle of a radial: each
    // radial's angle becomes the parameter of the point where it meets the ellipse.
    const double cx = box.x() + box.width() / 2.0;
    const double cy = box.y() + box.height() / 2.0;
    const double rx = std::max(box.width() / 2.0, 0.5);
    const double ry = std::max(box.height() / 2.0, 0.5);
    auto parameter = [&](QPoint p) {
        const double theta = std::atan2(-(p.y() - cy), p.x() - cx);
        return std::atan2(rx * std::sin(theta), ry * std::cos(theta)) * 180.0 / M_PI;
    };
    double from = parameter(start);
    if (from < 0) from += 360.0;
    double span = parameter(end) - from;
    while (span <= 0) span += 360.0;
    return {static_cast<int>(std::lround(from * 16)), static_cast<int>(std::lround(span * 16))};
}

QRect DirtyRect(QRect figure, int pen_width, QSize board) {
    // A stroked figure covers its box plus the pen's width; a pixel more on each side allows for
    // rounding.
    const int64_t margin = PenWidthDrawn(pen_width) + 2;
    const QRect box = figure.normalized();
    const int64_t left = std::max<int64_t>(0, int64_t{box.left()} - margin);
    const int64_t top = std::max<int64_t>(0, int64_t{box.top()} - margin);
    const int64_t right = std::min<int64_t>(board.width() - 1, int64_t{box.right()} + margin);
    const int64_t bottom = std::min<int64_t>(board.height() - 1, int64_t{box.bottom()} + margin);
    if (left > right || top > bottom) return {};
    return QRect(QPoint(static_cast<int>(left), static_cast<int>(top)),
                 QPoint(static_cast<int>(right), static_cast<int>(bottom)));
}

QRect FreeArea(QRect page, QPoint origin, const std::vector<QRect>& others) {
    // Each way the room can end on the right (the page's edge, or the left edge of a control
    // to the right of the origin) gives a height: down to the first control below in that band.
    // The widest area wins.
    std::vector<int> rights = {page.right() + 1};
    for (const QRect& o : others) {
        if (o.left() > origin.x()) rights.push_back(o.left());
    }
    QRect best;
    int64_t best_area = -1;
    for (const int right : rights) {
        if (right <= origin.x()) continue;
        int bottom = page.bottom() + 1;
        for (const QRect& o : others) {
            const bool in_band = o.left() < right && o.right() >= origin.x();
            if (!in_band || o.bottom() < origin.y()) continue;
            bottom = std::min(bottom, std::max(o.top(), origin.y()));
        }
        const QRect area(origin, QPoint(right - 1, bottom - 1));
        const int64_t size = area.isEmpty() ? 0 : int64_t{area.width()} * area.height();
        if (size > best_area) {
            best_area = size;
            best = area;
        }
    }
    return best;
}

}  // namespace quorix::host::board
