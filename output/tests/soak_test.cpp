// A long session through the real window: 200 cycles of load, step one, edit a row, step two,
// replace, copy and clear at 256 x 256. Nothing may pile up: the program-memory blocks in use
// come back to the same count after every cycle, and the process's resident memory after the
// last cycle is within 10% of what it was after cycle 20.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "host/krnln/runtime.h"
#include "host/testing/program_session.h"
#include "output/tests/process_memory.h"
#include "runtime/commands.h"

namespace quorix {
namespace {

using testing::RunProgram;
using testing::Session;

constexpr int kSide = 256;
constexpr int kCycles = 200;
constexpr int kSettledCycle = 20;

QString U(const char* s) {
    return QString::fromUtf8(s);
}

// Every pixel its own colour: the ColorTable gets 65,536 rows, the most texts a cycle can make.
QImage AllColours() {
    QImage img(kSide, kSide, QImage::Format_RGB32);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) img.setPixel(x, y, qRgb(x, y, 128));
    }
    return img;
}

QString Output(Session& s) {
    return s.runtime().ReadProperty(U("编辑框1"), abi::kPropText);
}

// One cycle as a user does it; checks that each step did its work.
void Cycle(Session& s, const QString& picture, int cycle) {
    testing::FileDialogSeen dialog;
    testing::AnswerFileDialog(dialog, picture);
    s.Click("按钮3");
    ASSERT_TRUE(dialog.answered);
    s.Click("按钮11");
    auto* table = s.Find<QAbstractItemView>("颜色分类列表框");
    ASSERT_EQ(table->model()->rowCount(), kSide * kSide);

    const int row = (cycle * 7919) % (kSide * kSide);
    table->setCurrentIndex(table->model()->index(row, 0));
    s.Find<QComboBox>("修改对应编辑框")->setEditText(U("█"));
    s.Click("按钮15");
    ASSERT_EQ(table->model()->index(row, 1).data().toString(), U("█"));

    s.Click("按钮13");
    const QString generated = Output(s);
    // Two digits a pixel but one "█", and CR LF after each row.
    ASSERT_EQ(generated.size(), 2 * kSide * kSide - 1 + 2 * kSide);
    ASSERT_EQ(generated.count(U("█")), 1);

    s.Find<QLineEdit>("替换编辑框")->setText(U("█"));
    s.Find<QComboBox>("修改对应编辑框1")->setEditText(U("@@"));
    s.Click("按钮4");
    const QString replaced = Output(s);
    ASSERT_EQ(replaced.count(U("@@")), 1);
    ASSERT_EQ(replaced.count(U("█")), 0);

    s.Click("复制按钮");
    ASSERT_EQ(QApplication::clipboard()->text(), replaced);
    s.Click("按钮5");
    ASSERT_TRUE(Output(s).isEmpty());
}

TEST(Soak, TwoHundredCyclesLeaveNoBlocksAndNoGrowingMemory) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString picture = dir.filePath("soak.bmp");
    ASSERT_TRUE(AllColours().save(picture, "BMP"));

    RunProgram([&](Session& s) {
        s.Find<QComboBox>("宽组合框1")->setEditText(QString::number(kSide));
        s.Find<QComboBox>("高组合框1")->setEditText(QString::number(kSide));
        s.Click("按钮16");
        ASSERT_EQ(s.Find("画板1")->size(), QSize(kSide, kSide));

        uint64_t blocks_after_first = 0;
        long resident_at_settled = 0;
        QElapsedTimer timer;
        timer.start();
        for (int cycle = 1; cycle <= kCycles; ++cycle) {
            SCOPED_TRACE("cycle " + std::to_string(cycle));
            Cycle(s, picture, cycle);
            if (HasFatalFailure()) return;
            // After the first step the stop request holds a text for good: the count after
            // cycle 1 is the one every later cycle must come back to.
            if (cycle == 1) blocks_after_first = s.BlocksInUse();
            ASSERT_EQ(s.BlocksInUse(), blocks_after_first);
            if (cycle == kSettledCycle) resident_at_settled = ProcessMemory::Now().resident_kb;
        }
        const double cycle_ms = double(timer.elapsed()) / kCycles;
        const long resident_at_end = ProcessMemory::Now().resident_kb;
        std::printf(
            "soak: %d cycles at %dx%d, %.0f ms a cycle; resident %ld KB after cycle %d, "
            "%ld KB after cycle %d (%+.1f%%); %llu blocks in use\n",
            kCycles, kSide, kSide, cycle_ms, resident_at_settled, kSettledCycle, resident_at_end,
            kCycles,
            100.0 * double(resident_at_end - resident_at_settled) / double(resident_at_settled),
            static_cast<unsigned long long>(blocks_after_first));
        if (kMemoryFiguresMeaningful) {
            EXPECT_LE(resident_at_end, resident_at_settled * 11 / 10);
        }
    });
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
