// The history of changes behind undo and redo, and the compact snapshots it keeps: no widget,
// no program memory, so that it is tested on its own.
//
// A change is what one part (the picture, or the mapping) was before and after it. Changes stand
// in time order; undo walks back, redo forward again, and a new change drops what could still be
// redone. The snapshots together take at most a bound of bytes: beyond it the oldest changes are
// dropped, but never the newest one.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <cstddef>
#include <cstdint>
#include <deque>

namespace quorix::host {

struct Change {
    int32_t part = 0;  // abi::HistoryPart
    QByteArray before;
    QByteArray after;
    size_t bytes() const { return size_t(before.size()) + size_t(after.size()); }
};

class ChangeHistory {
public:
    // 256 MB: every stroke of a long drawing session, and far more than a hundred edits of a
    // row; fewer changes of a whole photo of 4096 x 4096 pixels.
    static constexpr size_t kDefaultBound = size_t{256} << 20;

    explicit ChangeHistory(size_t bound = kDefaultBound) : bound_(bound) {}

    // A new change: what could be redone is dropped, then the oldest changes while the
    // snapshots take more than the bound (the new change itself always stays).
    void Add(Change change);
    // The change to take back (put its `before` in place), or null when there is none.
    const Change* Undo();
    // The change to make again (put its `after` in place), or null when there is none.
    const Change* Redo();
    void Clear();

    size_t undoable() const { return next_; }
    size_t redoable() const { return changes_.size() - next_; }
    size_t bytes() const { return bytes_; }
    size_t bound() const { return bound_; }

private:
    std::deque<Change> changes_;
    size_t next_ = 0;  // changes_[0, next_) are done, the rest taken back
    size_t bytes_ = 0;
    size_t bound_;
};

// Bytes squeezed with zstd (fast enough for a 4096 x 4096 board at every load), and back.
// Unpack gives an empty array for bytes Pack did not make.
QByteArray Pack(const QByteArray& raw);
QByteArray Unpack(const QByteArray& packed);

// The smallest rectangle that holds every pixel in which two pictures of one size and of 32 bits
// a pixel differ; empty when they are equal.
QRect DifferingRect(const QImage& a, const QImage& b);

// A rectangle of a picture as a snapshot: the picture's size, the rectangle and its pixels.
QByteArray RegionSnapshot(const QImage& picture, const QRect& rect);
struct Region {
    QSize picture_size;
    QPoint at;
    QImage pixels;  // null when the snapshot is damaged
};
Region RegionOf(const QByteArray& snapshot);

}  // namespace quorix::host
