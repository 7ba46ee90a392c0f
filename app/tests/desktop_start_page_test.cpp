// The Quorix tab without a network: the start page cannot be loaded, and the tab shows the
// program's own page instead of an error: its name, version, what it does, and the address of
// the start page. Read as a person reads it: selected and copied from the page.
#include <gtest/gtest.h>

#include "testing/desktop_actions.h"

namespace quorix {
namespace {

using namespace testing;

TEST(DesktopStartPage, OfflineTheQuorixTabShowsTheProgramsOwnPage) {
    XServer x;
    // No network: every request goes to a proxy that is not there.
    DesktopProgram q(x, {.extra_env = {{"QTWEBENGINE_CHROMIUM_FLAGS",
                                        "--proxy-server=http://127.0.0.1:9 "
                                        "--disable-background-networking --no-first-run"}}});
    ASSERT_TRUE(q.ok()) << q.log();
    q.Click("按钮16");  // the keyboard's focus in the window
    ASSERT_TRUE(q.WaitIdle());
    q.Keys("ctrl+Tab");  // to the tab "Quorix"
    // The tab shows at once, the page when the web engine, started by the tab, has made it.
    ASSERT_TRUE(q.WaitIdle());
    const QRect page = q.Place("超文本浏览框1");
    ASSERT_TRUE(q.WaitUntil([&] { return InkRows(q.Grab(page)).size() >= 3; }))
        << "watchdog: the tab shows no page";
    ASSERT_TRUE(q.WaitIdle());

    ASSERT_TRUE(q.OfferOnClipboard("(nothing)"));
    q.Click(page.center());
    ASSERT_TRUE(q.WaitIdle());
    q.Keys("ctrl+a");
    q.Keys("ctrl+c");
    ASSERT_TRUE(q.WaitUntil([&] { return q.Clipboard().value_or("(nothing)") != "(nothing)"; }));
    const std::string text = q.Clipboard().value_or("");
    for (const char* part : {"Quorix", "1.0.0.0", "字符", "http://www.corvane.cn/zhuce/"}) {
        EXPECT_NE(text.find(part), std::string::npos) << part << " is not in:\n" << text;
    }
    EXPECT_EQ(text.find("无法显示此网页"), std::string::npos) << text;

    // The page has the keyboard: undo and redo keys go to the web view's own objects, which
    // the window's key handling must leave alone; the program goes on and the page stays.
    q.Keys("ctrl+z");
    q.Keys("ctrl+shift+z");
    ASSERT_TRUE(q.WaitIdle());
    EXPECT_GE(InkRows(q.Grab(page)).size(), 3u);
    EXPECT_TRUE(CloseAndExit(q));
}

}  // namespace
}  // namespace quorix
