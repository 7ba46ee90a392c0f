// Decoding the picture files a board draws: a photo at the size it is shown at, other pictures
// whole when they fit in what one load may allocate and scaled while reading when they do not,
// refused from the header when they are huge; damaged bitmaps decode the same every time.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QStringList>

namespace quorix::host {

// Decodes a picture to be drawn into a target of `target` pixels; a null image when the bytes
// are not a picture this runtime reads, or one too large to read.
QImage DecodeForBoard(const QByteArray& encoded, QSize target);

// The file name suffixes of the picture formats DecodeForBoard reads, lower case, sorted.
QStringList ReadablePictureSuffixes();

}  // namespace quorix::host
