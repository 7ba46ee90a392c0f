// The tab control on its own: Ctrl+Tab and Ctrl+Shift+Tab from a control on a page that keeps
// Tab for itself (a list) turn the tabs round, skipping a disabled one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>

#include "host/iext3/tab_control.h"

namespace quorix::host {
namespace {

TEST(TabControl, CtrlTabFromAControlOnAPageTurnsTheTabsRound) {
    TabControlWidget tabs(nullptr);
    for (const char* caption : {"one", "two", "three", "four"}) tabs.AddPage(caption);
    tabs.bar()->setTabEnabled(2, false);
    // A list as the colour list is: the arrows move in it, Tab leaves it.
    auto* list = new QTableWidget(3, 2, tabs.page(0));
    list->setTabKeyNavigation(false);
    tabs.resize(300, 200);
    tabs.show();
    QApplication::processEvents();
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int tab;  // the current tab after the key
    };
    const Step steps[] = {
        {Qt::Key_Tab, Qt::ControlModifier, 1},
        {Qt::Key_Tab, Qt::ControlModifier, 3},  // past the disabled tab
        {Qt::Key_Tab, Qt::ControlModifier, 0},  // round
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 3},
        {Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier, 1},
        {Qt::Key_Tab, Qt::AltModifier, 1},  // not a tab key of the control
    };
    for (const Step& s : steps) {
        // The key goes where the keyboard is: to the list, which leaves it to its parents.
        QTest::keyClick(list, s.key, s.modifiers);
        EXPECT_EQ(tabs.bar()->currentIndex(), s.tab) << s.key << " " << s.modifiers;
    }
}

}  // namespace
}  // namespace quorix::host
