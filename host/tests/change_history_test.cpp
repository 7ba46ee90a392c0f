// The history behind undo and redo: order, what a new change drops, the memory bound; and the
// snapshots it keeps of a board's pixels.
#include "host/krnln/change_history.h"

#include <gtest/gtest.h>

#include <string>

namespace quorix::host {
namespace {

Change Numbered(int n, size_t bytes = 8) {
    return {1, QByteArray(qsizetype(bytes / 2), char('a' + n % 26)) + QByteArray::number(n),
            QByteArray(qsizetype(bytes / 2), 'z') + QByteArray::number(n)};
}

int NumberOf(const Change* c) {
    return c == nullptr ? -1 : c->after.mid(c->after.lastIndexOf('z') + 1).toInt();
}

TEST(ChangeHistory, UndoWalksBackInTimeOrderAndRedoForwardAgain) {
    ChangeHistory h;
    for (int n = 1; n <= 3; ++n) h.Add(Numbered(n));
    EXPECT_EQ(NumberOf(h.Undo()), 3);
    EXPECT_EQ(NumberOf(h.Undo()), 2);
    EXPECT_EQ(NumberOf(h.Redo()), 2);
    EXPECT_EQ(NumberOf(h.Undo()), 2);
    EXPECT_EQ(NumberOf(h.Undo()), 1);
    EXPECT_EQ(h.Undo(), nullptr) << "nothing before the first change";
    EXPECT_EQ(NumberOf(h.Redo()), 1);
    EXPECT_EQ(NumberOf(h.Redo()), 2);
    EXPECT_EQ(NumberOf(h.Redo()), 3);
    EXPECT_EQ(h.Redo(), nullptr) << "nothing after the last change";
}

TEST(ChangeHistory, ANewChangeDropsWhatCouldBeRedone) {
    ChangeHistory h;
    for (int n = 1; n <= 4; ++n) h.Add(Numbered(n));
    ASSERT_EQ(NumberOf(h.Undo()), 4);
    ASSERT_EQ(NumberOf(h.Undo()), 3);
    h.Add(Numbered(5));
    EXPECT_EQ(h.redoable(), 0u);
    EXPECT_EQ(h.Redo(), nullptr);
    EXPECT_EQ(NumberOf(h.Undo()), 5);
    EXPECT_EQ(NumberOf(h.Undo()), 2);
    EXPECT_EQ(h.bytes(), Numbered(1).bytes() + Numbered(2).bytes() + Numbered(5).bytes());
}

TEST(ChangeHistory, BeyondTheBoundTheOldestGoAndTheNewestStays) {
    struct Case {
        size_t bound, change_bytes;
        int added;
        size_t kept;
    } cases[] = {
        {ChangeHistory::kDefaultBound, 64 << 10, 1000, 1000},  // small strokes: all of them
        {1000, 100, 150, 9},  // each 100 bytes + its 3 digits: nine fit
        {1000, 5000, 3, 1},   // one change larger than the bound still stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bound) + " / " + std::to_string(c.change_bytes));
        ChangeHistory h(c.bound);
        for (int n = 100; n < 100 + c.added; ++n) h.Add(Numbered(n, c.change_bytes));
        EXPECT_EQ(h.undoable(), c.kept);
        EXPECT_TRUE(h.bytes() <= c.bound || c.kept == 1);
        // The newest come back, newest first, down to the oldest kept.
        for (size_t i = 0; i < c.kept; ++i) {
            ASSERT_EQ(NumberOf(h.Undo()), 100 + c.added - 1 - int(i));
        }
        EXPECT_EQ(h.Undo(), nullptr);
    }
    EXPECT_GE(ChangeHistory::kDefaultBound / (64 << 10), 100u) << "fewer than 100 strokes";
}

TEST(ChangeHistory, PackedBytesComeBackAndOthersGiveNothing) {
    const QByteArray raw = QByteArray(100000, 'x') + QByteArray("tail");
    const QByteArray packed = Pack(raw);
    EXPECT_LT(packed.size(), raw.size() / 10);
    EXPECT_EQ(Unpack(packed), raw);
    EXPECT_TRUE(Unpack(QByteArray("not packed at all")).isEmpty());
    EXPECT_TRUE(Unpack(packed.left(packed.size() / 2)).isEmpty()) << "a cut frame";
    EXPECT_EQ(Unpack(Pack(QByteArray())), QByteArray());
}

QImage White(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

TEST(ChangeHistory, TheDifferingRectangleHoldsEveryChangedPixelAndNoMore) {
    struct Case {
        const char* what;
        std::vector<QPoint> changed;
        QRect expected;
    } cases[] = {
        {"nothing", {}, QRect()},
        {"one pixel", {{5, 7}}, QRect(5, 7, 1, 1)},
        {"corners", {{0, 0}, {99, 49}}, QRect(0, 0, 100, 50)},
        {"a diagonal", {{10, 40}, {30, 20}, {20, 30}}, QRect(10, 20, 21, 21)},
        {"last column", {{99, 3}, {99, 4}}, QRect(99, 3, 1, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QImage before = White(100, 50);
        QImage after = before.copy();
        for (QPoint p : c.changed) after.setPixel(p, qRgb(1, 2, 3));
        EXPECT_EQ(DifferingRect(before, after), c.expected);
    }
    EXPECT_EQ(DifferingRect(White(10, 10), White(20, 5)), QRect(0, 0, 20, 10))
        << "pictures of two sizes differ everywhere";
}

TEST(ChangeHistory, ARegionSnapshotGivesBackItsPixelsPlaceAndPictureSize) {
    QImage picture = White(64, 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 64; ++x) picture.setPixel(x, y, qRgb(x * 4, y * 8, (x ^ y) & 0xFF));
    }
    const QRect rect(10, 5, 20, 7);
    const Region region = RegionOf(RegionSnapshot(picture, rect));
    ASSERT_FALSE(region.pixels.isNull());
    EXPECT_EQ(region.picture_size, QSize(64, 32));
    EXPECT_EQ(region.at, QPoint(10, 5));
    EXPECT_EQ(region.pixels, picture.copy(rect));

    const QByteArray whole = RegionSnapshot(picture, picture.rect());
    EXPECT_EQ(RegionOf(whole).pixels, picture);
    // Damaged snapshots give no pixels, never a read past their end.
    EXPECT_TRUE(RegionOf(QByteArray()).pixels.isNull());
    EXPECT_TRUE(RegionOf(Pack(QByteArray(24, '\xFF'))).pixels.isNull()) << "absurd sizes";
    QByteArray short_pixels = Unpack(whole);
    short_pixels.chop(4);
    EXPECT_TRUE(RegionOf(Pack(short_pixels)).pixels.isNull()) << "a pixel missing";
}

}  // namespace
}  // namespace quorix::host
