// A small picture for the tests of graded characters and of the ColorTable.
#pragma once

#include <QImage>

namespace quorix::testing {

// Eight colours, two of each, in two rows.
inline QImage EightColours() {
    const QRgb colours[] = {qRgb(255, 255, 255), qRgb(0, 0, 0),      qRgb(128, 128, 128),
                            qRgb(255, 0, 0),     qRgb(255, 255, 0),  qRgb(0, 0, 128),
                            qRgb(64, 64, 64),    qRgb(200, 220, 255)};
    QImage picture(8, 2, QImage::Format_RGB32);
    for (int x = 0; x < 8; ++x) {
        picture.setPixel(x, 0, colours[x]);
        picture.setPixel(7 - x, 1, colours[x]);
    }
    return picture;
}

}  // namespace quorix::testing
