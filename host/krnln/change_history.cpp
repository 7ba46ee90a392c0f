#include "host/krnln/change_history.h"

#include <zstd.h>

#include <cstring>

namespace quorix::host {

void ChangeHistory::Add(Change change) {
    while (changes_.size() > next_) {
        bytes_ -= changes_.back().bytes();
        changes_.pop_back();
    }
    bytes_ += change.bytes();
    changes_.push_back(std::move(change));
    while (changes_.size() > 1 && bytes_ > bound_) {
        bytes_ -= changes_.front().bytes();
        changes_.pop_front();
    }
    next_ = changes_.size();
}

const Change* ChangeHistory::Undo() {
    if (next_ == 0) return nullptr;
    return &changes_[--next_];
}

const Change* ChangeHistory::Redo() {
    if (next_ == changes_.size()) return nullptr;
    return &changes_[next_++];
}

void ChangeHistory::Clear() {
    changes_.clear();
    next_ = 0;
    bytes_ = 0;
}

namespace {

// Level 1: a snapshot is made at every change, and a board's pixels compress well already.
constexpr int kPackLevel = 1;
// A snapshot's header: the picture's width and height, then the rectangle's left, top, width
// and height, each a little-endian u32.
constexpr int kRegionHeader = 24;

void PutWord(char* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
uint32_t WordAt(const char* at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(static_cast<uint8_t>(at[i])) << (8 * i);
    return v;
}

}  // namespace

QByteArray Pack(const QByteArray& raw) {
    QByteArray packed(static_cast<qsizetype>(ZSTD_compressBound(size_t(raw.size()))),
                      Qt::Uninitialized);
    const size_t n = ZSTD_compress(packed.data(), size_t(packed.size()), raw.constData(),
                                   size_t(raw.size()), kPackLevel);
    if (ZSTD_isError(n)) return {};
    packed.truncate(static_cast<qsizetype>(n));
    packed.squeeze();
    return packed;
}

QByteArray Unpack(const QByteArray& packed) {
    const unsigned long long size =
        ZSTD_getFrameContentSize(packed.constData(), size_t(packed.size()));
    if (size == ZSTD_CONTENTSIZE_ERROR || size == ZSTD_CONTENTSIZE_UNKNOWN ||
        size > (unsigned long long){INT32_MAX}) {
        return {};
    }
    QByteArray raw(static_cast<qsizetype>(size), Qt::Uninitialized);
    const size_t n =
        ZSTD_decompress(raw.data(), size_t(raw.size()), packed.constData(), size_t(packed.size()));
    if (ZSTD_isError(n) || n != size) return {};
    return raw;
}

QRect DifferingRect(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.depth() != 32 || b.depth() != 32)
        return a.rect().united(b.rect());
    const int w = a.width(), h = a.height();
    const size_t row_bytes = size_t(w) * 4;
    int top = 0;
    while (top < h && std::memcmp(a.constScanLine(top), b.constScanLine(top), row_bytes) == 0) {
        ++top;
    }
    if (top == h) return {};
    int bottom = h - 1;
    while (bottom > top &&
           std::memcmp(a.constScanLine(bottom), b.constScanLine(bottom), row_bytes) == 0) {
        --bottom;
    }
    int left = w, right = -1;
    for (int y = top; y <= bottom; ++y) {
        const auto* ra = reinterpret_cast<const uint32_t*>(a.constScanLine(y));
        const auto* rb = reinterpret_cast<const uint32_t*>(b.constScanLine(y));
        for (int x = 0; x < left; ++x) {
            if (ra[x] != rb[x]) {
                left = x;
                break;
            }
        }
        for (int x = w - 1; x > right; --x) {
            if (ra[x] != rb[x]) {
                right = x;
                break;
            }
        }
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QByteArray RegionSnapshot(const QImage& picture, const QRect& rect) {
    const QRect r = rect.intersected(picture.rect());
    const QImage source =
        picture.depth() == 32 ? picture : picture.convertToFormat(QImage::Format_RGB32);
    QByteArray raw(kRegionHeader + qsizetype{r.width()} * r.height() * 4, Qt::Uninitialized);
    char* out = raw.data();
    const uint32_t words[] = {uint32_t(picture.width()), uint32_t(picture.height()),
                              uint32_t(r.left()),        uint32_t(r.top()),
                              uint32_t(r.width()),       uint32_t(r.height())};
    for (int i = 0; i < 6; ++i) PutWord(out + 4 * i, words[i]);
    out += kRegionHeader;
    const size_t row_bytes = size_t(r.width()) * 4;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        std::memcpy(out, source.constScanLine(y) + size_t(r.left()) * 4, row_bytes);
        out += row_bytes;
    }
    return Pack(raw);
}

Region RegionOf(const QByteArray& snapshot) {
    const QByteArray raw = Unpack(snapshot);
    if (raw.size() < kRegionHeader) return {};
    uint32_t words[6];
    for (int i = 0; i < 6; ++i) words[i] = WordAt(raw.constData() + 4 * i);
    constexpr uint32_t kMaxSide = 1 << 16;
    for (uint32_t word : words) {
        if (word > kMaxSide) return {};
    }
    const QRect rect{static_cast<int>(words[2]), static_cast<int>(words[3]),
                     static_cast<int>(words[4]), static_cast<int>(words[5])};
    const QSize size{static_cast<int>(words[0]), static_cast<int>(words[1])};
    if (!QRect(QPoint(0, 0), size).contains(rect) && !rect.isEmpty()) return {};
    if (raw.size() != kRegionHeader + qsizetype{rect.width()} * rect.height() * 4) return {};
    Region region{size, rect.topLeft(), QImage(rect.size(), QImage::Format_RGB32)};
    const size_t row_bytes = size_t(rect.width()) * 4;
    const char* in = raw.constData() + kRegionHeader;
    for (int y = 0; y < rect.height(); ++y) {
        std::memcpy(region.pixels.scanLine(y), in, row_bytes);
        in += row_bytes;
    }
    return region;
}

}  // namespace quorix::host
