// The window on a real X display, driven with real input: every bound event of the window and
// its tabs, the menu bar, and closing.
#include <gtest/gtest.h>

#include "testing/desktop_actions.h"

namespace quorix {
namespace {

using namespace testing;

TEST(DesktopWindow, OpensWhereTheFormPutsItAndClosesWithStatusZero) {
    XServer x;
    ASSERT_TRUE(x.ok());
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    EXPECT_EQ(q.window_rect().topLeft(), QPoint(50, 50));
    // Made once: a window made anew would flash, and a close sent to the first would be lost.
    EXPECT_EQ(q.windows_shown_at_start(), 1);
    // The window shows the program's own icon, the one drawn for it.
    const std::optional<QImage> icon = q.WindowIcon(32);
    ASSERT_TRUE(icon.has_value());
    EXPECT_TRUE(*icon ==
                QImage(QStringLiteral(QUORIX_ICON_FILE)).convertToFormat(QImage::Format_ARGB32));
    EXPECT_TRUE(CloseAndExit(q));
}

// The window's creation opened the start page in the browser box; tab "Quorix" stretches the
// tab control over the output box to show it, and the other tabs put it back.
TEST(DesktopWindow, TheQuorixTabShowsTheStartPageOverTheOutputAndTheOthersGiveItBack) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    // The output box and the narrow column of tools beside it.
    const QRect output = q.Place("编辑框1").united(q.Place("复制按钮"));
    const QImage output_before = q.Grab(output);
    const std::vector<QPoint> tabs = TabsOnScreen(q);
    ASSERT_EQ(tabs.size(), 3u);

    const unsigned long window = q.main_window();
    ASSERT_NE(window, 0u);
    q.Click(tabs[1]);
    // The page (here the box's notice that it cannot be shown) shows within the stretched tab
    // control, and the output box is under it.
    // The web engine starts when the box first shows, so the page may come a moment after the
    // tab.
    ASSERT_TRUE(q.WaitIdle());
    ASSERT_TRUE(q.WaitUntil([&] {
        return !InkRows(q.Grab(q.Place("超文本浏览框1"))).empty() &&
               !(q.Grab(output) == output_before);
    })) << "watchdog: no page over the output box";
    ASSERT_TRUE(q.WaitIdle());
    // The web view that came in did not make the window anew.
    EXPECT_EQ(q.main_window(), window);
    EXPECT_FALSE(InkRows(q.Grab(q.Place("超文本浏览框1"))).empty());

    q.Click(tabs[2]);
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_TRUE(q.Grab(output) == output_before);
    EXPECT_GE(InkRows(q.Grab(q.Place("编辑框3"))).size(), 5u);  // the help text's lines

    q.Click(tabs[0]);
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_TRUE(q.Grab(output) == output_before);
    EXPECT_EQ(BoardOnScreen(q).size(), QSize(100, 100));
}

// The menu bar: "载入图片" and "保存图片" do what the buttons do; the step items do nothing.
TEST(DesktopWindow, TheFileMenuLoadsAndSavesAndTheStepItemsDoNothing) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(qRgb(0, 90, 200));
    const std::string path = WritePicture(q, picture, "blue.bmp");
    ASSERT_TRUE(q.ChooseMenu(0, 0));
    ASSERT_TRUE(q.AnswerFileDialog(path));
    ASSERT_TRUE(q.WaitIdle());
    q.MoveTo(q.Centre("画板1"));
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_EQ(q.Pixel(q.Centre("画板1")), qRgb(0, 90, 200));

    ASSERT_TRUE(q.ChooseMenu(0, 1));
    ASSERT_TRUE(q.AnswerFileDialog(q.folder() + "/menu"));
    const QImage saved(QString::fromStdString(q.folder() + "/menu.bmp"));
    ASSERT_EQ(saved.size(), QSize(100, 100));
    EXPECT_EQ(saved.pixel(50, 50), qRgb(0, 90, 200));

    const QImage list = q.Grab(q.Place("颜色分类列表框"));
    const QImage output = q.Grab(q.Place("编辑框1"));
    ASSERT_TRUE(q.ChooseMenu(1, 0));
    ASSERT_TRUE(q.ChooseMenu(1, 1));
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_TRUE(q.Grab(q.Place("颜色分类列表框")) == list);
    EXPECT_TRUE(q.Grab(q.Place("编辑框1")) == output);
}

// The help text can be read, selected and copied, not changed: typing, Backspace, Delete,
// Enter and a paste into it leave it as it was.
TEST(DesktopWindow, TheHelpTextCanBeCopiedButNotChanged) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    const std::vector<QPoint> tabs = TabsOnScreen(q);
    ASSERT_EQ(tabs.size(), 3u);
    q.Click(tabs[2]);
    ASSERT_TRUE(q.WaitIdle());
    const std::string help = TextShownIn(q, "编辑框3");
    ASSERT_NE(help.find("Quorix"), std::string::npos) << help;
    q.Click(q.Centre("编辑框3"));
    ASSERT_TRUE(q.WaitIdle());
    q.Type("Typed ");
    q.Keys("BackSpace");
    q.Keys("Delete");
    q.Keys("Return");
    ASSERT_TRUE(q.OfferOnClipboard("pasted"));
    q.Click(q.Centre("编辑框3"));
    ASSERT_TRUE(q.WaitIdle());
    q.Keys("ctrl+a");
    q.Keys("ctrl+v");
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_EQ(TextShownIn(q, "编辑框3"), help);
}

// Each control that shows only a symbol (the pen tools, the spin arrows, the colour picker,
// the zoom reset) says what it does when the pointer rests on it: a tooltip shows, and no two
// say the same.
TEST(DesktopWindow, EveryControlShowingOnlyASymbolShowsATooltip) {
    XServer x;
    DesktopProgram q(x);
    ASSERT_TRUE(q.ok()) << q.log();
    std::vector<QPoint> spots;
    for (const char* tool :
         {"画线", "画直线", "画四边形", "画圆", "画弧线", "颜色选择器1", "字体大小复位按钮"}) {
        spots.push_back(q.Centre(tool));
    }
    for (const char* spin : {"调节器1", "调节器2"}) {
        const QRect r = q.Place(spin);
        spots.emplace_back(r.center().x(), r.top() + r.height() / 4);
        spots.emplace_back(r.center().x(), r.bottom() - r.height() / 4);
    }
    // Qt shows tooltips in the active window; without a window manager a click makes it so.
    q.Click(q.ClientPoint(400, 200));
    ASSERT_TRUE(q.WaitIdle());
    std::vector<QImage> tips;
    for (const QPoint spot : spots) {
        SCOPED_TRACE(std::to_string(spot.x()) + "," + std::to_string(spot.y()));
        q.MoveTo(q.ClientPoint(400, 200));  // away, so that the last tip goes
        ASSERT_TRUE(q.WaitUntil([&] { return !q.Popup().has_value(); }));
        q.MoveTo(spot);
        ASSERT_TRUE(q.WaitUntil([&] { return q.Popup().has_value(); })) << "no tooltip";
        ASSERT_TRUE(q.WaitIdle());
        const std::optional<QRect> tip = q.Popup();
        ASSERT_TRUE(tip.has_value());
        const QImage seen = q.Grab(*tip);
        EXPECT_FALSE(InkColumns(seen).empty());  // it says something
        for (const QImage& other : tips) EXPECT_FALSE(other == seen);
        tips.push_back(seen);
    }
}

}  // namespace
}  // namespace quorix
