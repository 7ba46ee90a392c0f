// A long session through the real window: 200 cycles of load, step one, edit a row, step two,
// replace, copy and clear at 256 x 256. Nothing may pile up: the program-memory blocks in use
// come back to the same count after every cycle, and the process's resident memory after the
// last cycle, less what the undo history holds by design (bounded, history.h), is within 10% of
// what it was after cycle 20. (bench/soak_bench times the cycles
// and prints the memory figures.)
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "host/krnln/history.h"
#include "host/krnln/runtime.h"
#include "output/tests/process_memory.h"
#include "output/tests/soak_cycle.h"
#include "testing/program_session.h"

namespace quorix {
namespace {

using testing::RunProgram;
using testing::Session;

constexpr int kCycles = 200;
constexpr int kSettledCycle = 20;

TEST(Soak, TwoHundredCyclesLeaveNoBlocksAndNoGrowingMemory) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString picture = dir.filePath("soak.bmp");
    ASSERT_TRUE(testing::SoakPicture().save(picture, "BMP"));

    RunProgram([&](Session& s) {
        const QString side = QString::number(testing::kSoakSide);
        s.SetOutputSize(side, side);
        ASSERT_EQ(s.Find("画板1")->size(), QSize(testing::kSoakSide, testing::kSoakSide));

        // Resident memory less the history's snapshots, which every load and edit adds to.
        auto resident_kb = [&s] {
            const size_t history_kb = s.runtime().history().changes().bytes() / 1024;
            return ProcessMemory::Now().resident_kb - static_cast<long>(history_kb);
        };
        uint64_t blocks_after_first = 0;
        long resident_at_settled = 0;
        for (int cycle = 1; cycle <= kCycles; ++cycle) {
            SCOPED_TRACE("cycle " + std::to_string(cycle));
            ASSERT_EQ(testing::SoakCycle(s, picture, cycle), "");
            // After the first step the stop request holds a text for good: the count after
            // cycle 1 is the one every later cycle must come back to.
            if (cycle == 1) blocks_after_first = s.BlocksInUse();
            ASSERT_EQ(s.BlocksInUse(), blocks_after_first);
            if (cycle == kSettledCycle) resident_at_settled = resident_kb();
        }
        // The history did keep the cycles' changes: a load, a row's edit and a clear each.
        EXPECT_GE(s.runtime().history().changes().undoable(), size_t{100});
        const long resident_at_end = resident_kb();
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
