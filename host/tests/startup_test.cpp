// The real program started headless through the real loader: its window opens as described,
// closing it ends the program with status 0, and program memory is given back.
#include <gtest/gtest.h>

#include <QMenu>
#include <QMenuBar>
#include <QUrl>
#include <QVariant>

#include "host/krnln/runtime.h"
#include "runtime/commands.h"
#include "testing/program_session.h"

namespace quorix {
namespace {

using testing::RunProgram;
using testing::Session;

constexpr const char* kCaption =
    "Quorix----(当程序进行第二步的时候，请不要转换到其他软件或做其他事情，静待第二步骤完成，"
    "若中途做其他事情将会影响生成结果)";

TEST(Startup, WindowOpensAsDescribedAndClosingEndsTheProgramCleanly) {
    QString title;
    QSize size;
    QPoint position;
    QStringList menus;
    const auto result = RunProgram([&](Session& s) {
        ASSERT_NE(s.window(), nullptr);
        title = s.window()->windowTitle();
        size = s.window()->size();
        position = s.window()->pos();
        for (QAction* a : s.window()->menuBar()->actions()) menus << a->text();
    });
    EXPECT_TRUE(result.window_opened);
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(title, QString::fromUtf8(kCaption));
    EXPECT_EQ(size, QSize(1000, 640));
    EXPECT_EQ(position, QPoint(50, 50));
    EXPECT_EQ(menus, (QStringList{QString::fromUtf8("文件操作"), QString::fromUtf8("生成指令"),
                                  QString::fromUtf8("编辑")}));
    // Only the loaded sections remain; every block the program took was given back.
    EXPECT_EQ(result.blocks_after_shutdown, result.section_blocks);
}

TEST(Startup, StopRequestHeldAtShutdownIsReleasedExactlyOnce) {
    uint64_t before = 0, after_stop = 0, after_second_stop = 0;
    const auto result = RunProgram([&](Session& s) {
        before = s.BlocksInUse();
        // 停止 with no step running leaves "停止" in StopRequest: one text block.
        EXPECT_TRUE(s.runtime().RaiseEvent(QString::fromUtf8("停止"), abi::kEvClicked));
        after_stop = s.BlocksInUse();
        // A second assignment releases the text it replaces.
        EXPECT_TRUE(s.runtime().RaiseEvent(QString::fromUtf8("停止"), abi::kEvClicked));
        after_second_stop = s.BlocksInUse();
    });
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(after_stop, before + 1);
    EXPECT_EQ(after_second_stop, after_stop);
    EXPECT_EQ(result.blocks_after_shutdown, result.section_blocks);
}

TEST(Startup, TheCreationHandlerPointsTheBrowserBoxAtTheStartPage) {
    RunProgram([](Session& s) {
        EXPECT_EQ(s.runtime().ReadProperty(QString::fromUtf8("超文本浏览框1"), abi::kPropAddress),
                  "http://www.corvane.cn/zhuce/");
        // The web box was told to go there; its web view, made when the box first shows,
        // goes there then (a plain fallback view has no address).
        const QVariant url = s.Find("超文本浏览框1")->property("url");
        if (url.isValid()) {
            EXPECT_EQ(url.toUrl().toString(), "http://www.corvane.cn/zhuce/");
        }
    });
}

TEST(Startup, TheStepItemsOfTheMenuDoNothing) {
    RunProgram([](Session& s) {
        QMenu* commands = nullptr;
        for (QAction* a : s.window()->menuBar()->actions()) {
            if (a->text() == QString::fromUtf8("生成指令")) commands = a->menu();
        }
        ASSERT_NE(commands, nullptr);
        const QStringList expected = {QString::fromUtf8("第一步骤一取图像颜色"),
                                      QString::fromUtf8("第二步骤一生成对应Quorix"),
                                      QString::fromUtf8("减少颜色…"),
                                      QString::fromUtf8("按亮度分配字符…")};
        QStringList items;
        for (QAction* a : commands->actions()) items << a->text();
        ASSERT_EQ(items, expected);
        const uint64_t before = s.BlocksInUse();
        // The two step items; the entries after them open dialogs of their own.
        for (int i = 0; i < 2; ++i) commands->actions()[i]->trigger();
        // A step would have set the stop request (one text) and filled the ColorTable.
        EXPECT_EQ(s.BlocksInUse(), before);
        EXPECT_EQ(s.runtime().ReadProperty(QString::fromUtf8("编辑框1"), abi::kPropText), "");
    });
}

TEST(Startup, ProgramsRunOneAfterAnotherInOneProcess) {
    // The runtime keeps nothing of a program once it has ended.
    for (int i = 0; i < 2; ++i) {
        const auto result = RunProgram([](Session& s) { EXPECT_NE(s.window(), nullptr); });
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_EQ(result.blocks_after_shutdown, result.section_blocks);
    }
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
