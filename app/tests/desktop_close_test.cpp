// Closing the real window as a window manager does (WM_DELETE_WINDOW), many times and in the
// states a person leaves the program in: every close ends the program with status 0 within
// two seconds.
#include <gtest/gtest.h>

#include <QImage>
#include <thread>

#include "host/testing/desktop_actions.h"

namespace quorix {
namespace {

using namespace testing;

constexpr int kClosesPerState = 20;
constexpr auto kCloseLimit = 2s;

// A picture of many colours, so that the steps take a while at 1024 x 1024.
QImage Noise(int side) {
    QImage picture(side, side, QImage::Format_RGB32);
    uint32_t state = 12345;
    for (int y = 0; y < side; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < side; ++x) {
            state = state * 1664525u + 1013904223u;
            line[x] = 0xFF000000u | (state >> 8);
        }
    }
    return picture;
}

// Starts the program `kClosesPerState` times on one X server, brings it into a state with
// `prepare`, closes it and measures how long it takes to end.
void CloseRepeatedly(const std::function<void(DesktopProgram&)>& prepare) {
    XServer x;
    ASSERT_TRUE(x.ok());
    std::chrono::milliseconds slowest{0};
    for (int i = 0; i < kClosesPerState; ++i) {
        SCOPED_TRACE("close " + std::to_string(i));
        DesktopProgram q(x);
        ASSERT_TRUE(q.ok()) << q.log();
        prepare(q);
        const auto closed = std::chrono::steady_clock::now();
        q.Close();
        const std::optional<int> status = q.WaitExit(kCloseLimit + 8s);
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - closed);
        slowest = std::max(slowest, took);
        ASSERT_TRUE(status.has_value())
            << "still running " << took.count() << " ms after the close\n"
            << q.log();
        EXPECT_EQ(*status, 0) << q.log();
        EXPECT_LT(took, kCloseLimit);
    }
    std::printf("slowest close: %lld ms\n", static_cast<long long>(slowest.count()));
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
            q.WaitIdle();
        }
    });
}

TEST(DesktopClose, DuringStepOneAndDuringStepTwoTheWindowCloses) {
    int round = 0;
    CloseRepeatedly([&](DesktopProgram& q) {
        SetOutputSize(q, 1024, 1024);
        ASSERT_TRUE(LoadPicture(q, WritePicture(q, Noise(1024), "noise.bmp")));
        if (round++ % 2 == 1) {
            ClickAndWait(q, "按钮11");
            q.Click("按钮13");
        } else {
            q.Click("按钮11");
        }
        std::this_thread::sleep_for(150ms);  // the step is running
    });
}

TEST(DesktopClose, RightAfterACopyWhileTheProgramOwnsTheClipboardTheWindowCloses) {
    CloseRepeatedly([](DesktopProgram& q) {
        ClickAndWait(q, "按钮13");  // before step one: a hundred empty lines
        std::string lines;
        for (int i = 0; i < 100; ++i) lines += "\r\n";
        ASSERT_EQ(CopyOutput(q), lines);
    });
}

// While the file dialog is open, the window's close waits for it, as on any desktop: the
// program goes on with the dialog open, and once it is answered the next close ends it.
TEST(DesktopClose, WhileTheFileDialogIsOpenTheCloseWaitsForIt) {
    CloseRepeatedly([](DesktopProgram& q) {
        q.Click("按钮3");
        ASSERT_TRUE(q.WaitUntil([&] { return q.Dialog().has_value(); }, 10s));
        q.WaitIdle();
        q.Close();
        EXPECT_FALSE(q.WaitExit(500ms).has_value()) << "the close did not wait for the dialog";
        EXPECT_TRUE(q.Dialog().has_value());
        ASSERT_TRUE(q.CancelFileDialog());
    });
}

}  // namespace
}  // namespace quorix
