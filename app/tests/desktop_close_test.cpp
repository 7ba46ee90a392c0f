// Closing the real window as a window manager does (WM_DELETE_WINDOW), many times and in the
// states a person leaves the program in: every close ends the program with status 0. (How long
// a close takes is measured by bench/close_bench.)
#include <gtest/gtest.h>

#include <QImage>

#include "testing/desktop_actions.h"

namespace quorix {
namespace {

using namespace testing;

#ifdef QUORIX_SANITIZED
constexpr int kClosesPerState = 5;
#else
constexpr int kClosesPerState = 20;
#endif

// Starts the program `kClosesPerState` times on one X server, brings it into a state with
// `prepare`, closes it and waits for it to end.
void CloseRepeatedly(const std::function<void(DesktopProgram&)>& prepare) {
    XServer x;
    ASSERT_TRUE(x.ok());
    for (int i = 0; i < kClosesPerState; ++i) {
        SCOPED_TRACE("close " + std::to_string(i));
        DesktopProgram q(x);
        ASSERT_TRUE(q.ok()) << q.log();
        prepare(q);
        if (::testing::Test::HasFatalFailure()) return;
        ASSERT_TRUE(CloseAndExit(q));
    }
}

TEST(DesktopClose, IdleWindowCloses) {
    CloseRepeatedly([](DesktopProgram&) {});
}

TEST(DesktopClose, AfterALoadAndAfterACancelledDialogTheWindowCloses) {
    int round = 0;
    CloseRepeatedly([&](DesktopProgram& q) {
        if (round++ % 2 == 0) {
            QImage picture(300, 200, QImage::Format_RGB32);
            picture.fill(qRgb(10, 200, 30));
            ASSERT_TRUE(LoadPicture(q, WritePicture(q, picture, "p.bmp")));
        } else {
            q.Click("按钮2");
            ASSERT_TRUE(q.CancelFileDialog());
        }
    });
}

TEST(DesktopClose, DuringStepOneAndDuringStepTwoTheWindowCloses) {
    int round = 0;
    CloseRepeatedly([&](DesktopProgram& q) {
        ASSERT_TRUE(SetOutputSize(q, 1024, 1024));
        ASSERT_TRUE(LoadPicture(q, WritePicture(q, Noise(1024), "noise.bmp")));
        if (round++ % 2 == 1) {
            ASSERT_TRUE(ClickAndWait(q, "按钮11"));
            ASSERT_TRUE(StartStepTwo(q));
        } else {
            ASSERT_TRUE(StartStepOne(q));
        }
    });
}

TEST(DesktopClose, RightAfterACopyWhileTheProgramOwnsTheClipboardTheWindowCloses) {
    CloseRepeatedly([](DesktopProgram& q) {
        ASSERT_TRUE(ClickAndWait(q, "按钮13"));  // before step one: a hundred empty lines
        std::string lines;
        for (int i = 0; i < 100; ++i) lines += "\r\n";
        ASSERT_EQ(CopyOutput(q), lines);
    });
}

// While the file dialog is open, the window's close waits for it, as on any desktop: the
// program goes on with the dialog open, and once it is answered the next close ends it.
TEST(DesktopClose, WhileTheFileDialogIsOpenTheCloseWaitsForIt) {
    CloseRepeatedly([](DesktopProgram& q) {
        ASSERT_TRUE(q.OfferOnClipboard("(before the close)"));
        q.Click("按钮3");
        ASSERT_TRUE(q.WaitUntil([&] { return q.Dialog().has_value(); }));
        ASSERT_TRUE(q.WaitIdle());
        q.Close();
        // The program takes its input in order: once it has copied a letter typed after the
        // close, it has handled the close.
        q.Type("Q");
        q.Keys("ctrl+a");
        q.Keys("ctrl+c");
        ASSERT_TRUE(q.WaitUntil([&] { return !q.running() || q.Clipboard() == "Q"; }));
        ASSERT_TRUE(q.WaitIdle()) << "the close did not wait for the dialog\n" << q.log();
        EXPECT_TRUE(q.Dialog().has_value());
        ASSERT_TRUE(q.CancelFileDialog());
    });
}

}  // namespace
}  // namespace quorix
