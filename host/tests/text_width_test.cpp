// Widths of texts in the output box's font, in hundredths of a digit, as the ColorTable's
// marks and the graded characters count them; and the ramps the dialog offers.
#include <gtest/gtest.h>

#include <QFont>

#include "host/krnln/controls/ramp_dialog.h"
#include "host/krnln/fonts.h"

namespace quorix::host {
namespace {

// The output box's font as the form stores it: "宋体", 7 pixels.
QFont OutputFont() {
    InstallFonts();
    form::LogFont stored;
    stored.height = -7;
    stored.weight = 400;
    stored.face = "\xCB\xCE\xCC\xE5";  // 宋体
    return FontFromLogFont(stored);
}

TEST(TextWidth, CountsEachCharacterInHundredthsOfADigitAtEverySize) {
    const struct {
        const char* text;
        int hundredths;
    } table[] = {
        {"0", 100},  {"42", 200}, {"a", 100},  {"AB", 200}, {"  ", 200}, {"█", 200},
        {"　", 200}, {"▓▒", 400}, {"█a", 300}, {"", 0},     {"国", 200},
    };
    QFont font = OutputFont();
    for (const int pixels : {5, 7, 14, 31}) {
        font.setPixelSize(pixels);
        for (const auto& row : table) {
            SCOPED_TRACE(testing::Message() << row.text << " at " << pixels << " px");
            EXPECT_EQ(TextWidthHundredths(font, QString::fromUtf8(row.text)), row.hundredths);
        }
    }
}

TEST(TextWidth, EveryCharacterOfEveryRampOfferedIsOneOrTwoDigitsWide) {
    const QFont font = OutputFont();
    const QStringList ramps = CharacterRamps();
    ASSERT_FALSE(ramps.isEmpty());
    EXPECT_EQ(ramps.first(), QString::fromUtf8("█▓▒░　"));
    for (const QString& ramp : ramps) {
        ASSERT_GE(ramp.size(), 2) << "a ramp has steps";
        for (const QChar c : ramp) {
            SCOPED_TRACE(QString(c).toStdString());
            const int width = TextWidthHundredths(font, QString(c));
            EXPECT_TRUE(width == 100 || width == 200) << width;
        }
    }
}

}  // namespace
}  // namespace quorix::host
