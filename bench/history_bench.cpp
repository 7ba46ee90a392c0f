// What undo and redo cost: the snapshots of a change to the picture (a whole board at a load,
// the rectangle of a stroke) and of the ColorTable, their time and their compressed size.
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "host/krnln/change_history.h"

namespace {

using Clock = std::chrono::steady_clock;

// The median of 5 runs, in milliseconds.
double MedianMs(const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[2];
}

// A photo stand-in: smooth gradients with fine noise, as a camera gives them.
QImage PhotoLike(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < side; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < side; ++x) {
            const int n = int(random() % 9) - 4;
            row[x] =
                qRgb(std::clamp(x * 255 / side + n, 0, 255), std::clamp(y * 255 / side + n, 0, 255),
                     std::clamp((x + y) * 127 / side + n, 0, 255));
        }
    }
    return image;
}

}  // namespace

int main() {
    using namespace quorix::host;
    for (int side : {1024, 4096}) {
        const QImage photo = PhotoLike(side);
        QByteArray whole;
        const double snap = MedianMs([&] { whole = RegionSnapshot(photo, photo.rect()); });
        Region back;
        const double restore = MedianMs([&] { back = RegionOf(whole); });
        std::printf(
            "%d x %d photo, whole board: snapshot %.1f ms, %.1f MB (of %.1f MB), back %.1f ms%s\n",
            side, side, snap, whole.size() / 1048576.0, side * side * 4 / 1048576.0, restore,
            back.pixels == photo ? "" : " (DIFFERS)");

        QImage drawn = photo.copy();
        {
            QPainter p(&drawn);
            p.setPen(QPen(Qt::black, 3));
            p.drawRect(side / 4, side / 4, side / 3, side / 5);
        }
        QRect rect;
        const double diff = MedianMs([&] { rect = DifferingRect(photo, drawn); });
        QByteArray before, after;
        const double stroke = MedianMs([&] {
            before = RegionSnapshot(photo, rect);
            after = RegionSnapshot(drawn, rect);
        });
        std::printf(
            "  a rectangle of %d x %d: finding it %.1f ms, two snapshots %.1f ms, %.2f MB\n",
            rect.width(), rect.height(), diff, stroke, (before.size() + after.size()) / 1048576.0);
    }
    // The ColorTable of a photo's 878,818 colours as the history keeps it (colour text and two
    // digits per row, each cell with its length).
    QByteArray rows;
    std::mt19937 random(11);
    for (int i = 0; i < 878818; ++i) {
        const QByteArray colour = QByteArray::number(uint32_t(random() & 0xFFFFFF));
        const QByteArray digits = QByteArray::number(10 + int(random() % 90));
        for (const QByteArray& cell : {colour, digits}) {
            const uint32_t n = uint32_t(cell.size());
            rows.append(reinterpret_cast<const char*>(&n), 4);
            rows.append(cell);
        }
    }
    QByteArray packed;
    const double pack = MedianMs([&] { packed = Pack(rows); });
    std::printf("ColorTable of 878,818 rows: %.1f MB, packed %.1f MB in %.1f ms\n",
                rows.size() / 1048576.0, packed.size() / 1048576.0, pack);
    return 0;
}
