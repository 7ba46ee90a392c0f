// "按亮度分配字符…" through the real window: each row takes the ramp step of its colour's
// lightness, one-digit characters are written twice, 按钮15 and step two work on the result.
// Also the plain functions behind the steps.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>

#include "convert/ramp_steps.h"
#include "convert/tests/eight_colours.h"
#include "host/krnln/color_value.h"
#include "testing/program_session.h"

namespace quorix {
namespace {

using testing::EightColours;
using testing::RunProgram;
using testing::Session;
using testing::U;

// ---- The plain functions ------------------------------------------------------------------

TEST(Lightness, IsCieLStarOfTheSrgbColour) {
    const struct {
        int32_t colour;  // 0x00BBGGRR
        double l_star;
    } table[] = {
        {0x000000, 0.0},
        {0xFFFFFF, 100.0},
        {0x808080, 53.585},
        {0x0000FF, 53.233},
        {0x00FF00, 87.737},
        {0xFF0000, 32.303},
        {0x00FFFF, 97.138},
        {0x010101, 0.274},
        {0x7F000000 | 0xFFFFFF, 100.0},  // the top byte is no part of the colour
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.colour);
        EXPECT_NEAR(app::Lightness(row.colour), row.l_star, 0.01);
    }
}

TEST(RampSteps, SpreadsTheRangeOfTheTableEvenlyOverTheSteps) {
    const struct {
        const char* what;
        std::vector<double> lightness;
        int steps;
        std::vector<int> expected;
    } table[] = {
        {"ends and middle", {0, 100, 50}, 5, {0, 4, 2}},
        {"stretched to the table's own range", {20, 30, 25}, 5, {0, 4, 2}},
        {"equal spans", {0, 19.9, 20, 39.9, 40, 60, 80, 100}, 5, {0, 0, 1, 1, 2, 3, 4, 4}},
        {"two steps", {10, 49, 51, 90}, 2, {0, 0, 1, 1}},
        {"one step", {10, 90}, 1, {0, 0}},
        {"more steps than colours", {0, 100}, 10, {0, 9}},
        {"all the same, dark", {10, 10}, 5, {0, 0}},
        {"all the same, white", {100}, 5, {4}},
        {"no colours", {}, 5, {}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(app::RampSteps(row.lightness, row.steps), row.expected);
    }
}

TEST(RampSteps, ALighterColourNeverGetsAnEarlierStep) {
    std::vector<double> lightness;
    for (int i = 0; i <= 1000; ++i) lightness.push_back(std::fmod(i * 37.7, 100.0));
    for (const int steps : {2, 3, 5, 7, 10, 70}) {
        const std::vector<int> step = app::RampSteps(lightness, steps);
        for (size_t i = 0; i < lightness.size(); ++i) {
            for (size_t j = 0; j < lightness.size(); j += 7) {
                if (lightness[i] < lightness[j]) {
                    ASSERT_LE(step[i], step[j]);
                }
            }
        }
    }
}

TEST(Characters, SplitsGb18030TextIntoItsCharacters) {
    const struct {
        std::string text;
        std::vector<std::string> characters;
    } table[] = {
        {"@%# ", {"@", "%", "#", " "}},
        {"\xA8\x80\xA8\x78", {"\xA8\x80", "\xA8\x78"}},  // two GBK symbols
        {"\x81\x30\x81\x30"
         "a",
         {"\x81\x30\x81\x30", "a"}},  // four bytes, then one
        {"\xA1\xA1", {"\xA1\xA1"}},   // 　 U+3000
        {"a\xB9", {"a", "\xB9"}},     // a cut lead byte
        {"", {}},
    };
    for (const auto& row : table) {
        std::vector<std::string> got;
        for (const std::string_view c : app::Characters(row.text)) got.emplace_back(c);
        EXPECT_EQ(got, row.characters);
    }
}

// ---- Through the window -------------------------------------------------------------------

struct Row {
    QString colour, characters;
};

std::vector<Row> Rows(Session& s) {
    auto* m = s.Find<QAbstractItemView>("颜色分类列表框")->model();
    std::vector<Row> rows;
    for (int r = 0; r < m->rowCount(); ++r) {
        rows.push_back({m->index(r, 0).data().toString(), m->index(r, 1).data().toString()});
    }
    return rows;
}

// CIE L* from 0x00BBGGRR, written out here on its own.
double LStar(uint32_t colour) {
    auto linear = [](uint32_t v) {
        const double c = v / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const double y = 0.2126 * linear(colour & 0xFF) + 0.7152 * linear((colour >> 8) & 0xFF) +
                     0.0722 * linear((colour >> 16) & 0xFF);
    return y > 0.008856 ? 116 * std::cbrt(y) - 16 : 903.3 * y;
}

// Types `text` into `widget` key by key; characters beyond ASCII come as an input tool sends them.
void Type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 128) {
            QTest::keyClick(widget, c.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

// Chooses "按亮度分配字符…"; `act` answers the dialog once it is up.
void GradeWithDialog(Session& s, std::function<void(QDialog*)> act) {
    std::function<void()> when_up;
    when_up = [&when_up, act = std::move(act)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog->objectName() != QStringLiteral("ramp_dialog")) {
            QTimer::singleShot(10, when_up);
            return;
        }
        act(dialog);
    };
    QTimer::singleShot(10, when_up);
    QAction* entry = s.MenuBarAction("按亮度分配字符…");
    ASSERT_NE(entry, nullptr);
    entry->trigger();
}

// Types `ramp` as the ramp (unless null) and confirms with Enter.
void ConfirmRamp(Session& s, const char* ramp) {
    GradeWithDialog(s, [ramp](QDialog* dialog) {
        auto* box = dialog->findChild<QComboBox*>(QStringLiteral("ramp"));
        ASSERT_NE(box, nullptr);
        // Keys go where the focus is, as the keyboard's do.
        if (ramp != nullptr) Type(dialog->focusWidget(), U(ramp));
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    });
}

TEST(GradedCharacters, EveryRowTakesTheStepOfItsLightnessDarkestFirstAndKeepsItsPlace) {
    RunProgram([](Session& s) {
        s.SetOutputSize("8", "2");
        s.PutPicture(EightColours());
        s.Click("按钮11");
        const std::vector<Row> before = Rows(s);
        ASSERT_EQ(before.size(), 8u);

        const uint64_t blocks = s.BlocksInUse();
        ConfirmRamp(s, nullptr);  // the ramp it starts with
        EXPECT_EQ(s.BlocksInUse(), blocks) << "program memory the handler did not give back";
        const std::vector<Row> after = Rows(s);
        ASSERT_EQ(after.size(), before.size());
        const QString ramp = U("█▓▒░　");
        double darkest = 100, lightest = 0;
        for (const Row& r : after) {
            darkest = std::min(darkest, LStar(r.colour.toUInt()));
            lightest = std::max(lightest, LStar(r.colour.toUInt()));
        }
        for (size_t i = 0; i < after.size(); ++i) {
            SCOPED_TRACE(before[i].colour.toStdString());
            EXPECT_EQ(after[i].colour, before[i].colour);
            ASSERT_EQ(after[i].characters.size(), 1);
            // Equal spans of L* from the darkest colour of the table to the lightest.
            const double t = (LStar(after[i].colour.toUInt()) - darkest) / (lightest - darkest);
            const int step = std::min(4, static_cast<int>(t * 5));
            EXPECT_EQ(after[i].characters, ramp[step]);
        }
        EXPECT_EQ(after[0].characters, U("　"));  // white
        EXPECT_EQ(after[1].characters, U("█"));   // black
    });
}

TEST(GradedCharacters, ACharacterOneDigitWideIsWrittenTwiceOneTwoDigitsWideOnce) {
    RunProgram([](Session& s) {
        s.SetOutputSize("8", "2");
        s.PutPicture(EightColours());
        s.Click("按钮11");
        GradeWithDialog(s, [](QDialog* dialog) {
            Type(dialog->focusWidget(), U("#█O ."));  // over the ramp, which is selected
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        });
        const std::vector<Row> rows = Rows(s);
        const QStringList expected = {U("##"), U("█"), U("OO"), U("  "), U("..")};
        for (const Row& r : rows) {
            EXPECT_TRUE(expected.contains(r.characters)) << r.characters.toStdString();
        }
        EXPECT_EQ(rows[1].characters, U("##"));  // black
        EXPECT_EQ(rows[0].characters, U(".."));  // white
    });
}

TEST(GradedCharacters, CancellingOrAnEmptyRampLeavesEveryRowAsItWas) {
    RunProgram([](Session& s) {
        s.SetOutputSize("8", "2");
        s.PutPicture(EightColours());
        s.Click("按钮11");
        const std::vector<Row> before = Rows(s);
        GradeWithDialog(s, [](QDialog* dialog) {
            // The dialog as it opens: the block ramp first and selected in the box, which has
            // the focus; its label names it, as assistive technology reads it.
            auto* box = dialog->findChild<QComboBox*>(QStringLiteral("ramp"));
            EXPECT_EQ(dialog->windowTitle(), U("按亮度分配字符"));
            EXPECT_TRUE(box->isEditable());
            EXPECT_TRUE(dialog->focusWidget() == box || dialog->focusWidget() == box->lineEdit());
            EXPECT_EQ(box->currentText(), U("█▓▒░　"));
            EXPECT_EQ(box->lineEdit()->selectedText(), U("█▓▒░　"));
            EXPECT_EQ(box->itemText(0), U("█▓▒░　"));
            EXPECT_GE(box->count(), 3);
            QStringList labels;
            for (const auto& [other, relation] :
                 QAccessible::queryAccessibleInterface(box)->relations(QAccessible::Label)) {
                labels << other->text(QAccessible::Name);
            }
            EXPECT_EQ(labels, QStringList{U("字符梯度")});
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
        });
        GradeWithDialog(s, [](QDialog* dialog) {
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Delete);  // the ramp is selected
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        });
        const std::vector<Row> after = Rows(s);
        ASSERT_EQ(after.size(), before.size());
        for (size_t i = 0; i < after.size(); ++i) {
            EXPECT_EQ(after[i].colour, before[i].colour);
            EXPECT_EQ(after[i].characters, before[i].characters);
        }
    });
}

TEST(GradedCharacters, RowsCanBeEditedAfterwardsAndStepTwoWritesWhatTheTableHolds) {
    RunProgram([](Session& s) {
        s.SetOutputSize("8", "2");
        const QImage picture = EightColours();
        s.PutPicture(picture);
        s.Click("按钮11");
        ConfirmRamp(s, nullptr);
        auto* view = s.Find<QAbstractItemView>("颜色分类列表框");
        view->setCurrentIndex(view->model()->index(2, 0));
        s.Find<QComboBox>("修改对应编辑框")->setEditText(U("★"));
        s.Click("按钮15");
        const std::vector<Row> rows = Rows(s);
        EXPECT_EQ(rows[2].characters, U("★"));

        s.Click("按钮13");
        QString expected;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb p = picture.pixel(x, y);
                const QString colour = QString::number(host::ValueFromRgb(p));
                for (const Row& r : rows) {
                    if (r.colour == colour) expected += r.characters;
                }
            }
            expected += QStringLiteral("\r\n");
        }
        EXPECT_EQ(s.Output(), expected);
    });
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
