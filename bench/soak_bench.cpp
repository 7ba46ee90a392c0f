// A long session through the real window, headless: 200 cycles of load, step one, edit a row,
// step two, replace, copy and clear at 256 x 256 with 65,536 colours (the soak test's cycle).
// Prints the time a cycle takes, the process's resident memory after cycle 20 and after the
// last, and the program-memory blocks in use after each cycle.
//
//   soak_bench [CYCLES]
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "output/tests/process_memory.h"
#include "output/tests/soak_cycle.h"
#include "testing/program_session.h"

int main(int argc, char** argv) {
    using namespace quorix;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 200;
    constexpr int kSettledCycle = 20;
    QTemporaryDir dir;
    const QString picture = dir.filePath("soak.bmp");
    if (!dir.isValid() || !testing::SoakPicture().save(picture, "BMP")) return 1;
    bool ok = true;
    const auto result = testing::RunProgram([&](testing::Session& s) {
        const QString side = QString::number(testing::kSoakSide);
        s.SetOutputSize(side, side);
        long resident_at_settled = 0;
        uint64_t blocks_first = 0, blocks_most = 0;
        QElapsedTimer timer;
        timer.start();
        for (int cycle = 1; cycle <= cycles && ok; ++cycle) {
            const std::string failed = testing::SoakCycle(s, picture, cycle);
            if (!failed.empty()) {
                std::fprintf(stderr, "soak_bench: cycle %d: %s\n", cycle, failed.c_str());
                ok = false;
            }
            if (cycle == 1) blocks_first = s.BlocksInUse();
            blocks_most = std::max(blocks_most, s.BlocksInUse());
            if (cycle == kSettledCycle) resident_at_settled = ProcessMemory::Now().resident_kb;
        }
        const double cycle_ms = static_cast<double>(timer.elapsed()) / cycles;
        const long resident_at_end = ProcessMemory::Now().resident_kb;
        std::printf("soak: %d cycles at %dx%d, %.1f ms a cycle\n", cycles, testing::kSoakSide,
                    testing::kSoakSide, cycle_ms);
        std::printf(
            "  resident %.1f MB after cycle %d, %.1f MB after cycle %d (%+.1f%%)\n",
            resident_at_settled / 1024.0, kSettledCycle, resident_at_end / 1024.0, cycles,
            100.0 * double(resident_at_end - resident_at_settled) / double(resident_at_settled));
        std::printf(
            "  program-memory blocks in use after cycle 1: %llu, the most after any: %llu\n",
            static_cast<unsigned long long>(blocks_first),
            static_cast<unsigned long long>(blocks_most));
    });
    return ok && result.exit_code == 0 ? 0 : 1;
}
