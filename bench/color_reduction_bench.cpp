// Fewer colours against ImageMagick, in one run: for two real photographs and a 1024 x 1024
// version of one, reduced to 8, 16 and 64 colours without dithering, how close each result
// is to the photo (PSNR over the red, green and blue samples, in dB: higher is closer) and how
// long it takes. Ours is the runtime's reduction alone (palette and remap, as a board's command
// does it, median of 7); ImageMagick's is `convert IN.ppm +dither -colors N null:` as a whole
// process (median of 3), and the same less `convert IN.ppm null:`, which leaves the reduction
// alone. Dithered reductions of the 1024 x 1024 photo are timed too.
//
//   color_reduction_bench [PHOTO_DIR]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "host/krnln/controls/color_reduction.h"

namespace {

using quorix::host::ReduceColors;

double Psnr(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            for (const int d : {qRed(p[x]) - qRed(q[x]), qGreen(p[x]) - qGreen(q[x]),
                                qBlue(p[x]) - qBlue(q[x])}) {
                sum += double(d) * d;
            }
        }
    }
    return 10 * std::log10(255.0 * 255.0 * 3.0 * a.width() * a.height() / sum);
}

template <typename F>
double MedianMs(int runs, F&& work) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

bool RunConvert(const QStringList& arguments) {
    QProcess convert;
    convert.start(QStringLiteral("/usr/bin/convert"), arguments);
    return convert.waitForFinished(120000) && convert.exitCode() == 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString dir =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(QUORIX_PHOTOS_DIR);
    struct Picture {
        const char* name;
        QImage photo;
    };
    const QImage coffee(dir + QStringLiteral("/coffee.jpg"));
    const QImage chelsea(dir + QStringLiteral("/chelsea.jpg"));
    if (coffee.isNull() || chelsea.isNull()) {
        std::fprintf(stderr, "no photos in %s\n", qPrintable(dir));
        return 1;
    }
    const std::vector<Picture> pictures = {
        {"coffee 600 x 400", coffee.convertToFormat(QImage::Format_RGB32)},
        {"chelsea 451 x 300", chelsea.convertToFormat(QImage::Format_RGB32)},
        {"coffee 1024 x 1024",
         coffee.scaled(1024, 1024, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
             .convertToFormat(QImage::Format_RGB32)},
    };
    const bool magick = QFile::exists(QStringLiteral("/usr/bin/convert"));
    QTemporaryDir temp;
    std::printf("%-20s %6s | %9s %9s | %9s %9s %11s\n", "picture", "colours", "ours dB", "ours ms",
                "IM dB", "IM ms", "IM reduce ms");
    for (const Picture& p : pictures) {
        const QString in = temp.filePath(QStringLiteral("in.ppm"));
        const QString out = temp.filePath(QStringLiteral("out.png"));
        const QString none = QStringLiteral("null:");
        p.photo.save(in);
        const double plain = magick ? MedianMs(3, [&] { RunConvert({in, none}); }) : 0;
        for (const int colours : {8, 16, 64}) {
            QImage ours;
            const double ours_ms =
                MedianMs(7, [&] { ours = ReduceColors(p.photo, colours, false).picture; });
            double theirs_db = NAN, theirs_ms = NAN;
            if (magick) {
                const QStringList reduce = {in, QStringLiteral("+dither"),
                                            QStringLiteral("-colors"), QString::number(colours)};
                theirs_ms = MedianMs(3, [&] { RunConvert(reduce + QStringList{none}); });
                RunConvert(reduce + QStringList{out});
                theirs_db = Psnr(p.photo, QImage(out).convertToFormat(QImage::Format_RGB32));
            }
            std::printf("%-20s %6d | %9.2f %9.1f | %9.2f %9.1f %11.1f\n", p.name, colours,
                        Psnr(p.photo, ours), ours_ms, theirs_db, theirs_ms, theirs_ms - plain);
        }
    }
    const QImage& large = pictures.back().photo;
    for (const int colours : {8, 16, 64}) {
        const double ms = MedianMs(7, [&] { ReduceColors(large, colours, true); });
        std::printf("dithered, %s, %d colours: %.1f ms\n", pictures.back().name, colours, ms);
    }
    if (!magick) std::printf("(ImageMagick is not installed: scripts/install-deps.sh --ci)\n");
    return 0;
}
