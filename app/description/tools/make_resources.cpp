// Writes the program file's resources at build time: the icon (from the drawn source, as an .ico
// file) and the version, into a C++ source that the executable exports as one block; and the
// icon for the desktop's icon theme at 32 x 32 and, pixel for pixel, at 64 and 128.
//
//   make_resources ICON.xpm OUT.cpp ICON_DIR VERSION DESCRIPTION PRODUCT
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/resources.h"

namespace {

struct Resource {
    uint32_t type, id, language;
    QByteArray data;
};

void Put32(QByteArray& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

QByteArray Block(const std::vector<Resource>& resources) {
    QByteArray block;
    Put32(block, QX_RESOURCES_MAGIC);
    Put32(block, static_cast<uint32_t>(resources.size()));
    uint32_t offset =
        4 * (quorix::resources::kHeaderWords +
             quorix::resources::kEntryWords * static_cast<uint32_t>(resources.size()));
    for (const Resource& r : resources) {
        Put32(block, r.type);
        Put32(block, r.id);
        Put32(block, r.language);
        Put32(block, offset);
        Put32(block, static_cast<uint32_t>(r.data.size()));
        offset += static_cast<uint32_t>(r.data.size());
    }
    for (const Resource& r : resources) block.append(r.data);
    return block;
}

void Put16(QByteArray& out, uint16_t v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>(v >> 8));
}

// The icon as an .ico file holding one 32 x 32 image of 256 colours: a BITMAPINFOHEADER, the
// 256-entry palette, the pixels as 8-bit indexes, bottom row first, and the transparency mask
// (one bit a pixel, set where the icon is transparent). Qt writes icons at 32 bits a pixel only.
QByteArray IcoOf256Colours(const QImage& icon) {
    const int side = icon.width();
    const QImage indexed = icon.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    const QImage argb = icon.convertToFormat(QImage::Format_ARGB32);
    const int mask_stride = (side + 31) / 32 * 4;
    const int pixel_stride = (side + 3) / 4 * 4;
    const uint32_t image_size = 40 + 256 * 4 + side * (pixel_stride + mask_stride);

    QByteArray ico;
    Put16(ico, 0);  // reserved
    Put16(ico, 1);  // an icon
    Put16(ico, 1);  // one image
    ico.append(static_cast<char>(side));
    ico.append(static_cast<char>(side));
    ico.append('\0');  // 256 colours
    ico.append('\0');  // reserved
    Put16(ico, 1);     // planes
    Put16(ico, 8);     // bits a pixel
    Put32(ico, image_size);
    Put32(ico, 6 + 16);  // where the image starts

    Put32(ico, 40);
    Put32(ico, static_cast<uint32_t>(side));
    Put32(ico, static_cast<uint32_t>(2 * side));  // the pixels and the mask
    Put16(ico, 1);
    Put16(ico, 8);
    Put32(ico, 0);  // not compressed
    Put32(ico, static_cast<uint32_t>(side * (pixel_stride + mask_stride)));
    Put32(ico, 0);
    Put32(ico, 0);
    Put32(ico, 256);
    Put32(ico, 0);
    const QList<QRgb> palette = indexed.colorTable();
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < palette.size() ? palette[i] : 0;
        ico.append(static_cast<char>(qBlue(c)));
        ico.append(static_cast<char>(qGreen(c)));
        ico.append(static_cast<char>(qRed(c)));
        ico.append('\0');
    }
    for (int y = side - 1; y >= 0; --y) {
        QByteArray row(pixel_stride, '\0');
        for (int x = 0; x < side; ++x) row[x] = static_cast<char>(indexed.pixelIndex(x, y));
        ico.append(row);
    }
    for (int y = side - 1; y >= 0; --y) {
        QByteArray row(mask_stride, '\0');
        for (int x = 0; x < side; ++x) {
            if (qAlpha(argb.pixel(x, y)) < 128)
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        }
        ico.append(row);
    }
    return ico;
}

bool WriteSource(const QString& path, const QByteArray& block) {
    std::string out =
        "// Written by make_resources: the program file's resources (runtime/resources.h).\n"
        "#include <cstdint>\n\n#include \"runtime/abi.h\"\n\n"
        "extern \"C\" QX_EXPORT const uint8_t QuorixResources[] = {";
    for (qsizetype i = 0; i < block.size(); ++i) {
        if (i % 16 == 0) out += "\n   ";
        out += " " + std::to_string(static_cast<uint8_t>(block[i])) + ",";
    }
    out += "\n};\nextern \"C\" QX_EXPORT const uint32_t QuorixResourcesSize = " +
           std::to_string(block.size()) + ";\n";
    FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(
            stderr,
            "usage: make_resources ICON.xpm OUT.cpp ICON_DIR VERSION DESCRIPTION PRODUCT\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QImage icon(QString::fromLocal8Bit(argv[1]));
    if (icon.isNull() || icon.size() != QSize(32, 32) || icon.colorCount() > 256) {
        std::fprintf(stderr, "make_resources: %s is not a 32 x 32 icon of 256 colours\n", argv[1]);
        return 1;
    }
    const QByteArray ico = IcoOf256Colours(icon);

    const QByteArray version =
        QStringLiteral(
            "FileVersion\t%1\nProductVersion\t%1\nFileDescription\t%2\n"
            "ProductName\t%3\n")
            .arg(QString::fromUtf8(argv[4]), QString::fromUtf8(argv[5]), QString::fromUtf8(argv[6]))
            .toUtf8();
    const std::vector<Resource> resources = {
        {QX_RESOURCE_GROUP_ICON, QX_PROGRAM_ICON_ID, QX_LANGUAGE_CHINESE_PRC, ico},
        {QX_RESOURCE_VERSION, QX_VERSION_ID, QX_LANGUAGE_CHINESE_PRC, version},
    };
    if (!WriteSource(QString::fromLocal8Bit(argv[2]), Block(resources))) return 1;

    for (const int side : {32, 64, 128}) {
        const QString dir =
            QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[3])).arg(side);
        QDir().mkpath(dir);
        const QImage scaled =
            icon.convertToFormat(QImage::Format_ARGB32)
                .scaled(side, side, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (!scaled.save(dir + QStringLiteral("/quorix.png"), "PNG")) return 1;
    }
    return 0;
}
