// Writes the program file's resources at build time: the icon (from the drawn source, as an .ico
// file) and the version, into a C++ source that the executable exports as one block; and the
// icon for the desktop's icon theme at 32 x 32 and, pixel for pixel, at 64 and 128.
//
//   make_resources ICON.xpm OUT.cpp ICON_DIR VERSION DESCRIPTION PRODUCT
#include <QBuffer>
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
    QByteArray ico;
    QBuffer buffer(&ico);
    buffer.open(QIODevice::WriteOnly);
    if (!icon.save(&buffer, "ICO")) return 1;

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
