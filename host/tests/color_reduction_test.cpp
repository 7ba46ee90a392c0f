// Reducing pictures to a few colours: real photographs to 2 to 256 colours, against
// ImageMagick on the same pixels, pictures that have few colours already, numbers outside the
// range, dithering, and a reduction cancelled on the way.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <cmath>
#include <set>

#include "host/krnln/controls/color_reduction.h"

namespace quorix::host {
namespace {

QImage Photo(const char* name) {
    const QImage photo(QStringLiteral(QUORIX_PHOTOS_DIR "/") + QString::fromUtf8(name));
    EXPECT_FALSE(photo.isNull()) << name;
    return photo.convertToFormat(QImage::Format_RGB32);
}

std::set<QRgb> ColoursOf(const QImage& picture) {
    std::set<QRgb> seen;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) seen.insert(picture.pixel(x, y));
    }
    return seen;
}

// Peak signal-to-noise ratio over the red, green and blue samples, in dB.
double Psnr(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (const int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                sum += double(d) * d;
            }
        }
    }
    const double mse = sum / (3.0 * a.width() * a.height());
    return 10 * std::log10(255.0 * 255.0 / mse);
}

TEST(ColorReduction, APhotoKeepsAtMostTheColoursAskedForAndSaysHowMany) {
    for (const char* name : {"coffee.jpg", "chelsea.jpg"}) {
        const QImage photo = Photo(name);
        for (const int asked : {2, 8, 16, 64, 256}) {
            for (const bool dither : {false, true}) {
                SCOPED_TRACE(testing::Message() << name << " " << asked << " dither " << dither);
                const ReducedPicture reduced = ReduceColors(photo, asked, dither);
                ASSERT_EQ(reduced.picture.size(), photo.size());
                const size_t colours = ColoursOf(reduced.picture).size();
                EXPECT_LE(colours, static_cast<size_t>(asked));
                EXPECT_GT(colours, static_cast<size_t>(asked) / 2) << "a photo uses its palette";
                EXPECT_EQ(reduced.colours, static_cast<int>(colours));
            }
        }
    }
}

TEST(ColorReduction, IsAtLeastAsCloseToThePhotoAsImageMagickWithoutDithering) {
    if (!QFile::exists(QStringLiteral("/usr/bin/convert"))) {
        GTEST_SKIP() << "ImageMagick is not installed (scripts/install-deps.sh installs it)";
    }
    QTemporaryDir dir;
    for (const char* name : {"coffee.jpg", "chelsea.jpg"}) {
        // Both start from the same pixels: the photo as this process decoded it.
        const QImage photo = Photo(name);
        const QString in = dir.filePath(QStringLiteral("in.png"));
        ASSERT_TRUE(photo.save(in));
        for (const int colours : {8, 16, 64}) {
            SCOPED_TRACE(testing::Message() << name << " to " << colours);
            const QString out = dir.filePath(QStringLiteral("out.png"));
            QProcess convert;
            convert.start(QStringLiteral("/usr/bin/convert"),
                          {in, QStringLiteral("+dither"), QStringLiteral("-colors"),
                           QString::number(colours), out});
            ASSERT_TRUE(convert.waitForFinished(60000));
            ASSERT_EQ(convert.exitCode(), 0);
            const QImage theirs = QImage(out).convertToFormat(QImage::Format_RGB32);
            const QImage ours = ReduceColors(photo, colours, false).picture;
            ASSERT_LE(ColoursOf(theirs).size(), static_cast<size_t>(colours));
            EXPECT_GE(Psnr(photo, ours), Psnr(photo, theirs));
        }
    }
}

// Five colours in stripes.
QImage Stripes(int width, int height) {
    const QRgb colours[] = {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(200, 30, 40),
                            qRgb(30, 160, 60), qRgb(254, 255, 255)};
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) picture.setPixel(x, y, colours[(x / 3 + y) % 5]);
    }
    return picture;
}

TEST(ColorReduction, APictureWithFewEnoughColoursStaysAsItIsSoReducingAgainChangesNothing) {
    const QImage reduced_photo = ReduceColors(Photo("chelsea.jpg"), 8, false).picture;
    const int photo_colours = static_cast<int>(ColoursOf(reduced_photo).size());
    const struct {
        const char* what;
        QImage picture;
        int colours;
        int present;
    } table[] = {
        {"five colours to five", Stripes(40, 30), 5, 5},
        {"five colours to eight", Stripes(40, 30), 8, 5},
        {"five colours to 256", Stripes(40, 30), 256, 5},
        {"one pixel", Stripes(1, 1), 2, 1},
        {"a reduced photo again", reduced_photo, 8, photo_colours},
        {"a reduced photo to more", reduced_photo, 64, photo_colours},
    };
    for (const auto& row : table) {
        for (const bool dither : {false, true}) {
            SCOPED_TRACE(testing::Message() << row.what << " dither " << dither);
            const ReducedPicture again = ReduceColors(row.picture, row.colours, dither);
            EXPECT_TRUE(again.picture == row.picture);
            EXPECT_EQ(again.colours, row.present);
        }
    }
}

TEST(ColorReduction, ANumberOutsideTwoTo256IsTakenAsTheNearestEnd) {
    const QImage photo = Photo("coffee.jpg").scaled(120, 80);
    const struct {
        int asked, taken;
    } table[] = {{-5, 2}, {0, 2}, {1, 2}, {2, 2}, {256, 256}, {257, 256}, {100000, 256}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.asked);
        EXPECT_EQ(ClampColors(row.asked), row.taken);
        const ReducedPicture reduced = ReduceColors(photo, row.asked, false);
        EXPECT_LE(reduced.colours, row.taken);
        EXPECT_TRUE(reduced.picture == ReduceColors(photo, row.taken, false).picture);
    }
}

// How often a row of pixels changes colour from one pixel to the next, over all rows.
int ColourChanges(const QImage& picture) {
    int changes = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 1; x < picture.width(); ++x) {
            changes += picture.pixel(x, y) != picture.pixel(x - 1, y) ? 1 : 0;
        }
    }
    return changes;
}

TEST(ColorReduction, DitheringMixesNeighboursWhereBandsWouldShowOtherwise) {
    QImage gradient(256, 32, QImage::Format_RGB32);
    for (int y = 0; y < gradient.height(); ++y) {
        for (int x = 0; x < gradient.width(); ++x) gradient.setPixel(x, y, qRgb(x, x / 2, 255 - x));
    }
    const QImage bands = ReduceColors(gradient, 4, false).picture;
    const QImage mixed = ReduceColors(gradient, 4, true).picture;
    EXPECT_LE(ColoursOf(bands).size(), 4u);
    EXPECT_LE(ColoursOf(mixed).size(), 4u);
    // Without dithering every row has its few bands; with it, neighbours alternate.
    EXPECT_LE(ColourChanges(bands), 3 * gradient.height());
    EXPECT_GT(ColourChanges(mixed), 10 * ColourChanges(bands));
}

TEST(ColorReduction, ACancelledReductionGivesNoPicture) {
    const std::atomic<bool> cancelled{true};
    EXPECT_TRUE(ReduceColors(Photo("coffee.jpg"), 8, false, &cancelled).picture.isNull());
    const std::atomic<bool> going_on{false};
    EXPECT_FALSE(ReduceColors(Photo("coffee.jpg"), 8, false, &going_on).picture.isNull());
}

}  // namespace
}  // namespace quorix::host
