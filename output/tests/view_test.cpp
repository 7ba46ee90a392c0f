// The character picture view through the real window: the tab page arrangement and the text
// size of the output box, as a user changes them.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QTabBar>
#include <QTest>
#include <cmath>
#include <vector>

#include "host/krnln/runtime.h"
#include "runtime/commands.h"
#include "testing/program_session.h"

namespace quorix {
namespace {

using testing::RunProgram;
using testing::Session;
using testing::U;

// Clicks the tab with this caption as a user would.
void ChooseTab(Session& s, const char* caption) {
    auto* bar = s.Find("高级选择夹1")->findChild<QTabBar*>();
    ASSERT_NE(bar, nullptr);
    for (int i = 0; i < bar->count(); ++i) {
        if (bar->tabText(i) == U(caption)) {
            QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(i).center());
            return;
        }
    }
    ADD_FAILURE() << "no tab " << caption;
}

TEST(View, TabChangesSetTheTabControlAndBrowserHeights) {
    struct Case {
        std::vector<const char*> tabs;
        int tab_height, browser_height;
    };
    const Case cases[] = {
        {{"帮助"}, 328, 288},  // never stretched: already at its height
        {{"Quorix", "图片转字符"}, 328, 580},
        {{"Quorix", "帮助", "图片转字符"}, 328, 580},  // the browser keeps its stretch
        {{"帮助", "Quorix"}, 640, 580},
        {{"Quorix", "帮助", "Quorix"}, 640, 580},
    };
    for (const Case& c : cases) {
        RunProgram([&](Session& s) {
            for (const char* tab : c.tabs) ChooseTab(s, tab);
            const QString last = U(c.tabs.back());
            EXPECT_EQ(s.Find("高级选择夹1")->height(), c.tab_height) << last.toStdString();
            EXPECT_EQ(s.Find("超文本浏览框1")->height(), c.browser_height) << last.toStdString();
            // Only heights change.
            EXPECT_EQ(s.Find("高级选择夹1")->geometry().topLeft(), QPoint(0, 0));
            EXPECT_EQ(s.Find("高级选择夹1")->width(), 1000);
        });
    }
}

enum class Press { Up, Down, Reset };

int32_t Points(Session& s) {
    return s.runtime().ReadProperty(U("编辑框1"), abi::kPropFont, abi::kFontSize).toInt();
}

TEST(View, TextSizeStepsByOneNeverBelowOneAndResetsToEight) {
    struct Case {
        const char* name;
        std::vector<Press> presses;
        int points;
    };
    const auto Up = Press::Up, Down = Press::Down, Reset = Press::Reset;
    const Case cases[] = {
        {"at start", {}, 5},
        {"up once", {Up}, 6},
        {"down four times", {Down, Down, Down, Down}, 1},
        {"down five times", {Down, Down, Down, Down, Down}, 1},
        {"down six times, then up", {Down, Down, Down, Down, Down, Down, Up}, 2},
        {"reset at start", {Reset}, 8},
        {"reset after up", {Up, Up, Up, Up, Up, Reset}, 8},
        {"reset after the floor", {Down, Down, Down, Down, Down, Reset}, 8},
        {"reset, then down", {Reset, Down}, 7},
    };
    for (const Case& c : cases) {
        RunProgram([&](Session& s) {
            for (Press p : c.presses) {
                if (p == Press::Up) s.ClickChild("调节器2", "up");
                if (p == Press::Down) s.ClickChild("调节器2", "down");
                if (p == Press::Reset) s.Click("字体大小复位按钮");
            }
            EXPECT_EQ(Points(s), c.points) << c.name;
            // Shown at the whole pixel size of the points at 96 dots per inch.
            const QFont font = s.Find("编辑框1")->font();
            EXPECT_EQ(font.pixelSize(), std::lround(c.points * 96.0 / 72.0)) << c.name;
        });
    }
}

TEST(View, TheWholeTextFollowsTheSizeAndKeepsTheFace) {
    RunProgram([](Session& s) {
        QWidget* edit = s.Find("编辑框1");
        ASSERT_NE(edit, nullptr);
        auto lines = [&] { return edit->property("text").toString().count(U("\r\n")); };
        const QString face = edit->font().family();
        const int weight = edit->font().weight();
        s.Find<QComboBox>("宽组合框1")->setEditText(U("6"));
        s.Find<QComboBox>("高组合框1")->setEditText(U("3"));
        s.Click("按钮16");
        QImage picture(6, 3, QImage::Format_RGB32);
        picture.fill(Qt::white);
        s.Find("画板1")->setProperty("picture", picture);
        s.Click("按钮11");
        s.Click("按钮13");  // text already there
        s.ClickChild("调节器2", "up");
        s.ClickChild("调节器2", "up");
        // The view draws its whole text in its one font.
        EXPECT_EQ(edit->font().pixelSize(), 9);  // 7 points
        s.Click("按钮13");                       // text appended after the change
        EXPECT_EQ(lines(), 6);
        s.Click("字体大小复位按钮");
        EXPECT_EQ(edit->font().pixelSize(), 11);  // 8 points
        EXPECT_EQ(edit->font().family(), face);
        EXPECT_EQ(edit->font().weight(), weight);
    });
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
