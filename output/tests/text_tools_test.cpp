// The text tools through the real window: replace (按钮4), copy (复制按钮) and clear (按钮5) on
// the output text, as a user drives them.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringEncoder>
#include <QTest>

#include "app/program.h"
#include "host/krnln/runtime.h"
#include "runtime/commands.h"
#include "testing/program_session.h"
#include "testing/watchdog.h"

namespace quorix {
namespace {

using namespace std::chrono_literals;
using testing::RunProgram;
using testing::Session;
using testing::U;

// Sets the output text as the program does: through the box's text property.
void SetOutput(const QString& text) {
    QStringEncoder encode("GB18030");
    const QByteArray bytes = encode(text);
    app::Ctl<rt::EditBox>(app::Unit::编辑框1)
        .SetContent(rt::NewText({bytes.constData(), static_cast<size_t>(bytes.size())}));
}

// Types the pattern (and the replacement unless it is null) and clicks 按钮4.
void Replace(Session& s, const QString& pattern, const char* replacement) {
    s.Find<QLineEdit>("替换编辑框")->setText(pattern);
    if (replacement != nullptr) s.Find<QComboBox>("修改对应编辑框1")->setEditText(U(replacement));
    s.Click("按钮4");
}

// A step-two output: 4 x 3 pixels, white with a red diagonal mapped to "█".
void MakeOutput(Session& s) {
    s.Find<QComboBox>("宽组合框1")->setEditText(U("4"));
    s.Find<QComboBox>("高组合框1")->setEditText(U("3"));
    s.Click("按钮16");
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int i = 0; i < 3; ++i) picture.setPixel(i, i, qRgb(255, 0, 0));
    s.Find("画板1")->setProperty("picture", picture);
    s.Find("画板2")->setProperty("picture", picture);
    s.Click("按钮11");
    auto* table = s.Find<QAbstractItemView>("颜色分类列表框");
    table->setCurrentIndex(table->model()->index(0, 0));  // red, the colour of pixel (0, 0)
    s.Find<QComboBox>("修改对应编辑框")->setEditText(U("█"));
    s.Click("按钮15");
    s.Click("按钮13");
}

TEST(TextTools, ReplaceRewritesEveryMatchWithTheLiteralReplacement) {
    struct Case {
        const char* name;
        const char* text;
        const char* pattern;
        const char* replacement;  // null: the box as the window opens ("  ")
        const char* expected;
    };
    const Case cases[] = {
        {"matching nowhere", "1212\r\n3434\r\n", "9", "x", "1212\r\n3434\r\n"},
        {"longer replacement", "1212\r\n3434\r\n", "1", "███", "███2███2\r\n3434\r\n"},
        {"shorter replacement", "1212\r\n3434\r\n", "34", "", "1212\r\n\r\n"},
        {"untouched box", "1212\r\n3434\r\n", "[13]", nullptr, "  2  2\r\n  4  4\r\n"},
        {"does not compile", "1212\r\n", "(", "x", "1212\r\n"},
        {"empty pattern", "1212\r\n", "", "x", "1212\r\n"},
        {"dollar is itself", "1212\r\n", "(1)", "$1", "$12$12\r\n"},
        {"dollar sign alone", "12\r\n", "2", "$", "1$\r\n"},
        {"backslash is itself", "12\r\n", "1", "\\0", "\\02\r\n"},
        {"whole characters", "█1█\r\n", ".", "ab", "ababab\r\n"},
        {"beyond the BMP", "😀1\r\n", ".", "x", "xx\r\n"},
        {"line starts", "12\r\n34\r\n", "^\\d", "x", "x2\r\nx4\r\n"},
        {"line ends before CR LF", "12\r\n34\r\n", "\\d$", "x", "1x\r\n3x\r\n"},
        {"case-sensitive", "aA\r\n", "a", "x", "xA\r\n"},
        {"matching the line breaks", "12\r\n34\r\n", "\\r\\n", "|", "12|34|"},
        {"empty matches", "ab\r\n", "x*", "-", "-a-b-\r\n-"},
        {"symbol for symbol", "█■█\r\n", "█", "★", "★■★\r\n"},
    };
    for (const Case& c : cases) {
        RunProgram([&](Session& s) {
            SetOutput(U(c.text));
            Replace(s, U(c.pattern), c.replacement);
            EXPECT_EQ(s.Output(), U(c.expected)) << c.name;
            // The box shows what the program holds.
            EXPECT_EQ(s.Find("编辑框1")->property("text").toString(), U(c.expected)) << c.name;
        });
    }
}

TEST(TextTools, ReplaceOverAStepTwoOutputKeepsItsLineBreaks) {
    RunProgram([](Session& s) {
        MakeOutput(s);
        const QString before = s.Output();
        ASSERT_EQ(before.count(U("\r\n")), 3);
        Replace(s, U("[^█\\r\\n]"), "");  // every digit goes
        const QString after = s.Output();
        EXPECT_EQ(after.count(U("\r\n")), 3);
        EXPECT_EQ(after.count(U("█")), before.count(U("█")));
        EXPECT_EQ(after.size(), before.count(U("█")) + 6);
    });
}

TEST(TextTools, AGroupRepeatedAlongALongLineStillMatches) {
    RunProgram([](Session& s) {
        SetOutput(QString(4096, QChar('5')) + "\r\n" + QString(3, QChar('6')) + "\r\n");
        Replace(s, U("(\\d)+"), "x");
        EXPECT_EQ(s.Output(), U("x\r\nx\r\n"));
    });
}

// Replace patterns that backtrack without end, over an output text of about 2 MB whose lines
// make each one expensive. The engine must give up: the text stays. Unchecked, some of them
// run for close to a minute; the watchdog takes that for a hang. (How long a replace takes is
// measured by bench/text_tools_bench.)
TEST(TextTools, ABacktrackingPatternGivesUpAndLeavesALargeTextUnchanged) {
    struct Case {
        QString line;
        const char* pattern;
    };
    const Case cases[] = {
        {QString(30, QChar('a')) + "b", "(a|aa)+$"},        {U("12345678"), "(\\d+)+x"},
        {U("01234567890123456789"), "(\\d|\\d\\d)+$x"},     {QString(2048, QChar('7')), "(\\d*)*x"},
        {QString(2048, QChar('7')), "(\\d|\\d\\d){1,16}x"},  // costly at every position
    };
    for (const Case& c : cases) {
        QString text;
        const QString line = c.line + "\r\n";
        text.reserve(2'000'000 + line.size());
        while (text.size() < 2'000'000) text += line;
        RunProgram([&](Session& s) {
            SetOutput(text);
            s.Find<QLineEdit>("替换编辑框")->setText(U(c.pattern));
            {
                const testing::Watchdog watchdog(30s, std::string("a replace of ") + c.pattern);
                s.Click("按钮4");
            }
            EXPECT_TRUE(s.Output() == text) << c.pattern;
        });
    }
}

TEST(TextTools, CopyPutsEveryLineWithItsLineBreakOnTheClipboard) {
    RunProgram([](Session& s) {
        MakeOutput(s);
        const QString text = s.Output();
        ASSERT_EQ(text.count(U("\r\n")), 3);
        ASSERT_TRUE(text.endsWith(U("\r\n")));
        QApplication::clipboard()->setText(U("before"));
        s.Find("替换编辑框")->setFocus();
        s.Click("复制按钮");
        EXPECT_EQ(QApplication::clipboard()->text(), text);
        // The whole text stays selected and the box has the focus.
        QWidget* box = s.Find("编辑框1");
        EXPECT_EQ(box->property("selectionStart").toLongLong(), 0);
        EXPECT_EQ(box->property("selectionEnd").toLongLong(), text.size());
        EXPECT_EQ(s.window()->focusWidget(), box);
    });
}

TEST(TextTools, CopyOfAnEmptyOutputCopiesNothing) {
    RunProgram([](Session& s) {
        QApplication::clipboard()->setText(U("before"));
        s.Click("复制按钮");
        EXPECT_EQ(QApplication::clipboard()->text(), U("before"));
        EXPECT_EQ(s.Output(), QString());
        s.Click("按钮5");  // and after a clear
        s.Click("复制按钮");
        EXPECT_EQ(QApplication::clipboard()->text(), U("before"));
    });
}

TEST(TextTools, CopyAfterTheUserTypedInTheBoxCopiesWhatTheBoxShows) {
    RunProgram([](Session& s) {
        QWidget* box = s.Find("编辑框1");
        box->setFocus();
        // Typing opens the picture in an editor, which takes the keys that follow.
        QTest::keyClicks(box, U("ab"));
        auto* editor = box->findChild<QPlainTextEdit*>();
        ASSERT_NE(editor, nullptr);
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClicks(editor, U("cd"));
        QTest::keyClick(editor, Qt::Key_Return);
        s.Click("复制按钮");
        EXPECT_EQ(QApplication::clipboard()->text(), U("ab\r\ncd\r\n"));
        EXPECT_EQ(s.Output(), U("ab\r\ncd\r\n"));
        EXPECT_EQ(box->property("text").toString(), U("ab\r\ncd\r\n"));
    });
}

TEST(TextTools, ClearEmptiesTheOutputAndNothingElse) {
    RunProgram([](Session& s) {
        MakeOutput(s);
        auto rows = [&] {
            QStringList r;
            auto* m = s.Find<QAbstractItemView>("颜色分类列表框")->model();
            for (int i = 0; i < m->rowCount(); ++i)
                r << m->index(i, 0).data().toString() + "=" + m->index(i, 1).data().toString();
            return r;
        };
        const QStringList table = rows();
        const QImage board1 = s.Find("画板1")->property("picture").value<QImage>();
        const QImage board2 = s.Find("画板2")->property("picture").value<QImage>();
        s.Find<QLineEdit>("替换编辑框")->setText(U("x"));
        ASSERT_FALSE(s.Output().isEmpty());
        ASSERT_EQ(table.size(), 2);

        s.Click("按钮5");
        EXPECT_EQ(s.Output(), QString());
        EXPECT_TRUE(s.Find("编辑框1")->property("text").toString().isEmpty());
        EXPECT_EQ(rows(), table);
        EXPECT_EQ(s.Find("画板1")->property("picture").value<QImage>(), board1);
        EXPECT_EQ(s.Find("画板2")->property("picture").value<QImage>(), board2);
        EXPECT_EQ(s.Find<QLineEdit>("替换编辑框")->text(), U("x"));
        s.Click("按钮5");  // clearing an empty box leaves it empty
        EXPECT_EQ(s.Output(), QString());
    });
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
