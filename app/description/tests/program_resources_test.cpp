// The program file's resources as the build writes them: the version strings, and the icon as
// one 32 x 32 image of 256 colours holding the drawn icon's pixels.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <map>
#include <span>
#include <vector>

#include "runtime/resources.h"

extern "C" const uint8_t QuorixResources[];
extern "C" const uint32_t QuorixResourcesSize;

namespace quorix {
namespace {

std::span<const uint8_t> Block() {
    return {QuorixResources, QuorixResourcesSize};
}

uint16_t U16(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

TEST(ProgramResources, TheVersionNamesTheProgramAndItsVersion) {
    const auto version =
        resources::Find(Block(), QX_RESOURCE_VERSION, QX_VERSION_ID, QX_LANGUAGE_CHINESE_PRC);
    ASSERT_TRUE(version.has_value());
    std::map<QString, QString> fields;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(version->data()),
                                           static_cast<qsizetype>(version->size()));
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype tab = line.indexOf(u'\t');
        ASSERT_GT(tab, 0) << line.toStdString();
        fields[line.left(tab)] = line.mid(tab + 1);
    }
    EXPECT_EQ(fields[QStringLiteral("FileVersion")], QStringLiteral("1.0.0.0"));
    EXPECT_EQ(fields[QStringLiteral("ProductVersion")], QStringLiteral("1.0.0.0"));
    EXPECT_EQ(fields[QStringLiteral("FileDescription")],
              QString::fromUtf8("将图片转换为字符组成的画"));
    EXPECT_EQ(fields[QStringLiteral("ProductName")], QStringLiteral("Quorix"));
}

TEST(ProgramResources, TheIconIsOne32By32ImageOf256ColoursOfTheDrawnIcon) {
    const auto ico = resources::Find(Block(), QX_RESOURCE_GROUP_ICON, QX_PROGRAM_ICON_ID,
                                     QX_LANGUAGE_CHINESE_PRC);
    ASSERT_TRUE(ico.has_value());
    ASSERT_GE(ico->size(), 22u + 40u);
    EXPECT_EQ(U16(*ico, 2), 1);  // an icon
    EXPECT_EQ(U16(*ico, 4), 1);  // of one image
    EXPECT_EQ((*ico)[6], 32);
    EXPECT_EQ((*ico)[7], 32);
    EXPECT_EQ(U16(*ico, 12), 8);  // bits a pixel: 256 colours
    EXPECT_EQ(U16(*ico, 22 + 14), 8);
    const QImage decoded = QImage::fromData(ico->data(), static_cast<int>(ico->size()), "ICO");
    ASSERT_FALSE(decoded.isNull());
    const QImage drawn(QStringLiteral(QUORIX_ICON_FILE));
    ASSERT_EQ(decoded.size(), drawn.size());
    EXPECT_TRUE(decoded.convertToFormat(QImage::Format_ARGB32) ==
                drawn.convertToFormat(QImage::Format_ARGB32));
}

TEST(ProgramResources, ADamagedBlockGivesNoResource) {
    const std::span<const uint8_t> whole = Block();
    // Cut short inside the entries, inside the data, and a block of another kind.
    EXPECT_FALSE(resources::Find(whole.first(12), QX_RESOURCE_VERSION, QX_VERSION_ID,
                                 QX_LANGUAGE_CHINESE_PRC));
    EXPECT_FALSE(resources::Find(whole.first(whole.size() - 1), QX_RESOURCE_VERSION, QX_VERSION_ID,
                                 QX_LANGUAGE_CHINESE_PRC));
    std::vector<uint8_t> other(whole.begin(), whole.end());
    other[0] ^= 0xFF;
    EXPECT_FALSE(
        resources::Find(other, QX_RESOURCE_VERSION, QX_VERSION_ID, QX_LANGUAGE_CHINESE_PRC));
    // A count far beyond the block.
    other = {whole.begin(), whole.end()};
    other[7] = 0x7F;
    EXPECT_FALSE(
        resources::Find(other, QX_RESOURCE_VERSION, QX_VERSION_ID, QX_LANGUAGE_CHINESE_PRC));
    // No resource of another id or language.
    EXPECT_FALSE(resources::Find(whole, QX_RESOURCE_VERSION, 2, QX_LANGUAGE_CHINESE_PRC));
    EXPECT_FALSE(resources::Find(whole, QX_RESOURCE_VERSION, QX_VERSION_ID, 0x0409));
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
