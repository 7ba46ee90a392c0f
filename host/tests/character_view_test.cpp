// The character view on its own: lines of any length appended in pieces, what shows after
// scrolling and zooming, selecting with the mouse and the keyboard, copying, and typing, which
// opens the text in an editor.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <vector>

#include "host/krnln/controls/character_view.h"

namespace quorix::host {
namespace {

QString Lines(int count, int length, QChar last = QChar(0x2588)) {
    QString text;
    for (int l = 0; l < count; ++l) {
        for (int i = 0; i + 1 < length; ++i) text += QChar('0' + (i + l) % 10);
        text += last;
        text += QStringLiteral("\r\n");
    }
    return text;
}

struct View {
    CharacterView view{nullptr};
    View() {
        QFont font(QStringLiteral("Noto Sans Mono CJK SC"));
        font.setPixelSize(14);
        view.setFont(font);
        view.resize(400, 200);
        view.show();
        QApplication::processEvents();
    }
    // Ink in the viewport, as the user sees it.
    bool InkAt(QRect area) {
        const QImage shot = view.viewport()->grab().toImage();
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (qGray(shot.pixel(x, y)) < 128) return true;
            }
        }
        return false;
    }
};

TEST(CharacterView, TextAppendedInPiecesIsTheTextSetWhole) {
    const QString text = Lines(300, 2000);
    View a, b;
    for (qsizetype at = 0; at < text.size(); at += 777)
        a.view.Append(QStringView(text).mid(at, 777));
    b.view.SetText(text);
    EXPECT_EQ(a.view.text(), text);
    EXPECT_EQ(a.view.verticalScrollBar()->maximum(), b.view.verticalScrollBar()->maximum());
    EXPECT_EQ(a.view.horizontalScrollBar()->maximum(), b.view.horizontalScrollBar()->maximum());
    // 2000 characters of 7 pixels (the block counts two) reach far past the 400-pixel view.
    EXPECT_GT(b.view.horizontalScrollBar()->maximum(), 1999 * 7 - 400);
}

// Lines are measured eight characters at a time where they can be; every kind of character,
// wherever it falls in such a block, must count with its own advance.
TEST(CharacterView, ALineIsAsWideAsTheAdvancesOfItsCharacters) {
    const QString block = QString(QChar(0x2588));
    const QString emoji = QString::fromUtf8("😀");
    struct Case {
        const char* name;
        QString line;
    };
    QString dense, sparse, mixed;
    for (int i = 0; i < 3001; ++i) {
        dense += i % 3 == 0 ? block : QString(QChar('0' + i % 10));
        sparse += i % 61 == 7 ? block : QString(QChar('a' + i % 26));
        mixed += i % 97 == 5 ? emoji : i % 13 == 1 ? QStringLiteral("\t") : QString(QChar('5'));
    }
    const Case cases[] = {
        {"digits", QString(2999, QChar('7'))},
        {"every third a block", dense},
        {"a block now and then", sparse},
        {"emoji and tabs among digits", mixed},
        {"a lone half of a pair",
         QString(40, QChar('1')) + QChar(0xD83D) + QString(40, QChar('2'))},
    };
    for (const Case& c : cases) {
        View v;
        v.view.SetText(c.line + QStringLiteral("\r\n") + QStringLiteral("12\r\n"));
        QFont shown = v.view.font();
        shown.setKerning(false);
        const QFontMetricsF metrics(shown);
        double width = 0;
        for (qsizetype i = 0; i < c.line.size(); ++i) {
            const bool pair = c.line[i].isHighSurrogate() && i + 1 < c.line.size() &&
                              c.line[i + 1].isLowSurrogate();
            // As a character of its own: a tab is one advance, not a stop.
            width += c.line[i].unicode() < 128
                         ? metrics.horizontalAdvance(c.line[i])
                         : metrics.horizontalAdvance(c.line.mid(i, pair ? 2 : 1));
            if (pair) ++i;
        }
        const int expected = static_cast<int>(std::ceil(width)) + 4 - v.view.viewport()->width();
        EXPECT_NEAR(v.view.horizontalScrollBar()->maximum(), expected, 1) << c.name;
    }
}

TEST(CharacterView, ScrolledToTheEndTheLastCharactersShowAndZoomKeepsTheRange) {
    View v;
    v.view.SetText(Lines(50, 500));
    const QRect right_edge(v.view.viewport()->width() - 40, 0, 39, 20);
    EXPECT_TRUE(v.InkAt(QRect(0, 0, 30, 20)));  // the first line's first digits
    QTest::keyClick(&v.view, Qt::Key_End, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(v.view.verticalScrollBar()->value(), v.view.verticalScrollBar()->maximum());
    EXPECT_EQ(v.view.horizontalScrollBar()->value(), v.view.horizontalScrollBar()->maximum());
    EXPECT_TRUE(v.InkAt(right_edge));  // the block at the end of the lines
    const int range = v.view.horizontalScrollBar()->maximum() + v.view.viewport()->width();
    QFont bigger = v.view.font();
    bigger.setPixelSize(28);
    v.view.setFont(bigger);
    QApplication::processEvents();
    const int zoomed = v.view.horizontalScrollBar()->maximum() + v.view.viewport()->width();
    EXPECT_NEAR(zoomed, 2 * range, range / 50);
}

// A repaint of part of the view paints only the lines and characters meeting that part, and
// must show there just what a repaint of the whole view shows: scrolled both ways, with a
// selection, for parts whose edges cut through characters and lines.
TEST(CharacterView, APartRepaintedShowsWhatTheWholeViewShowsThere) {
    View v;
    v.view.SetText(Lines(50, 500));
    v.view.Select(1234, 3456);
    v.view.horizontalScrollBar()->setValue(1001);
    v.view.verticalScrollBar()->setValue(1);
    QApplication::processEvents();
    QWidget* viewport = v.view.viewport();
    const QImage whole = viewport->grab().toImage();
    const QRect parts[] = {
        {37, 23, 61, 45},
        {0, 0, 10, 10},
        {viewport->width() - 23, viewport->height() - 17, 23, 17},
        {101, 0, 3, viewport->height()},  // a sliver of a column
        {0, 50, viewport->width(), 1},    // one row
    };
    for (const QRect& part : parts) {
        QImage painted(whole.size(), whole.format());
        painted.fill(Qt::magenta);
        viewport->render(&painted, part.topLeft(), QRegion(part));
        int differing = 0, ink = 0;
        for (int y = part.top(); y <= part.bottom(); ++y) {
            for (int x = part.left(); x <= part.right(); ++x) {
                differing += painted.pixel(x, y) != whole.pixel(x, y);
                ink += qGray(painted.pixel(x, y)) < 128;
            }
        }
        EXPECT_EQ(differing, 0) << part.x() << "," << part.y() << " " << part.width() << "x"
                                << part.height();
        EXPECT_GT(ink, 0) << "nothing drawn in " << part.x() << "," << part.y();
    }
}

TEST(CharacterView, TheMouseSelectsAndCopyTakesTheSelectionWithItsLineBreaks) {
    View v;
    v.view.SetText(QStringLiteral("0123456789\r\nabcdefghij\r\nklmnopqrst\r\n"));
    QWidget* port = v.view.viewport();
    const int line = QFontMetrics(v.view.font()).height();
    // From between "2" and "3" of the first line to between "c" and "d" of the second.
    QTest::mousePress(port, Qt::LeftButton, {}, QPoint(3 * 7, line / 2));
    QTest::mouseMove(port, QPoint(3 * 7, line + line / 2));
    QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(3 * 7, line + line / 2));
    EXPECT_EQ(v.view.SelectedText(), QStringLiteral("3456789\r\nabc"));
    QApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::keyClick(&v.view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("3456789\r\nabc"));
    QTest::keyClick(&v.view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(v.view.SelectsAll());
    // A double click takes the run of characters under the pointer.
    QTest::mouseDClick(port, Qt::LeftButton, {}, QPoint(4 * 7, 2 * line + line / 2));
    EXPECT_EQ(v.view.SelectedText(), QStringLiteral("klmnopqrst"));
    v.view.Select(5, 500);
    EXPECT_EQ(v.view.SelectedText(), QStringLiteral("56789\r\nabcdefghij\r\nklmnopqrst\r\n"));
}

TEST(CharacterView, TypingOpensAnEditorWhoseTextTheViewTakesBack) {
    View v;
    v.view.SetText(QStringLiteral("00\r\n11\r\n"));
    v.view.Select(4, 4);  // before the second line
    QTest::keyClicks(&v.view, QStringLiteral("X"));
    ASSERT_TRUE(v.view.editing());
    auto* editor = v.view.findChild<QPlainTextEdit*>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(v.view.TakeEdits(), QStringLiteral("00\r\nX\r\n11\r\n"));
    EXPECT_FALSE(v.view.editing());
    EXPECT_EQ(v.view.text(), QStringLiteral("00\r\nX\r\n11\r\n"));
}

// Every kind of key, sent to the editor (where the keyboard goes) and to the view itself while
// the editor is open: a key the editor leaves (Shift alone, Ctrl alone, F5) goes up past the
// view once, and each key is handled once.
TEST(CharacterView, EveryKeyReachesTheEditorOnceWhetherSentToItOrToTheView) {
    QWidget parent;  // the window; it outlives the view it holds
    View v;
    v.view.SetText(QStringLiteral("0123\r\n4567\r\n"));
    // Keys the window would see: what the view lets go on up.
    struct Counter : QObject {
        int keys = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            keys += e->type() == QEvent::KeyPress;
            return false;
        }
    } window_side;
    v.view.setParent(&parent);
    parent.installEventFilter(&window_side);
    parent.show();
    QTest::keyClick(&v.view, Qt::Key_End, Qt::ControlModifier);  // the caret at the end
    QTest::keyClicks(&v.view, QStringLiteral("a"));
    ASSERT_TRUE(v.view.editing());
    auto* editor = v.view.findChild<QPlainTextEdit*>();
    ASSERT_NE(editor, nullptr);
    window_side.keys = 0;  // QTest pressed Ctrl on its own before Ctrl+End
    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool to_view;  // sent to the view instead of the editor
    };
    const Key keys[] = {
        {Qt::Key_Shift, Qt::ShiftModifier, false},
        {Qt::Key_B, Qt::ShiftModifier, false},
        {Qt::Key_Control, Qt::ControlModifier, true},
        {Qt::Key_F5, {}, false},
        {Qt::Key_C, Qt::ShiftModifier, true},
        {Qt::Key_Shift, Qt::ShiftModifier, true},
        {Qt::Key_Left, Qt::ShiftModifier, false},
        {Qt::Key_X, Qt::ControlModifier, true},
        {Qt::Key_Z, Qt::ControlModifier, false},
        {Qt::Key_Y, Qt::ControlModifier, true},
        {Qt::Key_Z, Qt::ControlModifier, true},
        {Qt::Key_Home, Qt::ControlModifier, false},
        {Qt::Key_D, {}, false},
    };
    for (const Key& k : keys) {
        const QString text =
            k.key >= Qt::Key_A && k.key <= Qt::Key_Z && k.modifiers != Qt::ControlModifier
                ? QString(QChar(k.modifiers & Qt::ShiftModifier ? k.key : k.key + 32))
                : QString();
        QKeyEvent press(QEvent::KeyPress, k.key, k.modifiers, text);
        QApplication::sendEvent(k.to_view ? static_cast<QWidget*>(&v.view) : editor, &press);
    }
    // "aBC" typed, "C" cut, the cut undone, redone and undone again; "d" at the start.
    EXPECT_EQ(v.view.TakeEdits(), QStringLiteral("d0123\r\n4567\r\naBC"));
    // Shift (twice), Ctrl and F5 went on up, each once; nothing else did.
    EXPECT_EQ(window_side.keys, 4);
}

TEST(CharacterView, RevealTurnsToTheAppendedTextAndFollowsItUntilTheUserScrolls) {
    View v;
    const QString first = Lines(100, 40);
    v.view.SetText(first);
    QScrollBar* bar = v.view.verticalScrollBar();
    EXPECT_EQ(bar->value(), 0);
    // The second picture comes in pieces; the view turns to its first line and stays there.
    const QString second = Lines(100, 40, QChar('#'));
    v.view.Append(QStringView(second).left(50));
    v.view.Reveal(first.size());
    for (qsizetype at = 50; at < second.size(); at += 700) {
        v.view.Append(QStringView(second).mid(at, 700));
        EXPECT_EQ(bar->value(), std::min(100, bar->maximum())) << at;
    }
    EXPECT_EQ(bar->value(), 100);
    // A scroll by the user ends the following: more text leaves the view where the user put it.
    QTest::keyClick(&v.view, Qt::Key_Up);
    EXPECT_EQ(bar->value(), 99);
    v.view.Append(Lines(50, 40));
    EXPECT_EQ(bar->value(), 99);
}

TEST(CharacterView, CtrlWheelAsksForOneZoomStepANotchAndAPlainWheelScrolls) {
    View v;
    v.view.SetText(Lines(200, 40));
    std::vector<int> steps;
    QObject::connect(&v.view, &CharacterView::zoomRequested, [&](int d) { steps.push_back(d); });
    auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
        const QPointF at(50, 50);
        QWheelEvent event(at, v.view.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(v.view.viewport(), &event);
    };
    wheel(120, Qt::ControlModifier);
    wheel(-240, Qt::ControlModifier);
    for (int i = 0; i < 4; ++i) wheel(30, Qt::ControlModifier);  // a touchpad: one notch in all
    EXPECT_EQ(steps, (std::vector<int>{1, -1, -1, 1}));
    EXPECT_EQ(v.view.verticalScrollBar()->value(), 0);
    wheel(-120, {});
    EXPECT_GT(v.view.verticalScrollBar()->value(), 0);
    EXPECT_EQ(steps.size(), 4u);
}

}  // namespace
}  // namespace quorix::host

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
