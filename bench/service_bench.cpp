// The cost of a runtime service call from the program, measured through the real path: the
// program's typed call builds its argument block on the stack, goes through its code-section
// stub and entry-table slot into krnln.fnr, which serves it from program memory. Each benchmark
// also reports how many host-heap allocations one call makes (it must be 0).
#include <benchmark/benchmark.h>

#include <QImage>

#include "app/program.h"
#include "bench/heap_counter.h"
#include "testing/program_session.h"

namespace quorix {
namespace {

using app::Ctl;
using app::Unit;

template <typename F>
void Measure(benchmark::State& state, F&& call) {
    for (int i = 0; i < 1000; ++i) call(i);  // warm up: size classes, tables
    const uint64_t before = bench::HeapAllocations();
    int64_t i = 0;
    for (auto _ : state) call(static_cast<int32_t>(i++));
    const uint64_t heap = bench::HeapAllocations() - before;
    state.counters["heap_allocs_per_call"] =
        benchmark::Counter(static_cast<double>(heap) / static_cast<double>(state.iterations()));
}

void AllocateAndFreeShortText(benchmark::State& state) {
    Measure(state, [](int32_t) {
        rt::Text t = rt::NewText("16777215");
        benchmark::DoNotOptimize(t.address());
    });
}

void NumberToText(benchmark::State& state) {
    Measure(state, [](int32_t i) {
        rt::Text t = rt::NumberToText(i);
        benchmark::DoNotOptimize(t.address());
    });
}

void ReadPixel(benchmark::State& state) {
    const auto board = Ctl<rt::Board>(Unit::画板1);
    Measure(state,
            [&](int32_t i) { benchmark::DoNotOptimize(board.Pixel(i & 63, (i >> 6) & 63)); });
}

void FindRow(benchmark::State& state) {
    const rt::ListView table = app::ColorTable();
    table.DeleteAllRows();
    for (int c = 0; c < 1000; ++c) table.AppendRow(rt::NumberToText(c * 4099));
    rt::Text key = rt::NumberToText(500 * 4099);
    Measure(state, [&](int32_t) { benchmark::DoNotOptimize(table.FindRow(key)); });
    table.DeleteAllRows();
}

// What step one does for every row once its scan has ended (or been stopped): two random
// digits, joined, written into the row's second column.
void GiveRowItsDigits(benchmark::State& state) {
    const rt::ListView table = app::ColorTable();
    table.DeleteAllRows();
    for (int c = 0; c < 4096; ++c) table.AppendRow(rt::NumberToText(c));
    Measure(state, [&](int32_t i) {
        const rt::Text first = rt::NumberToText(rt::RandomInteger(0, 9));
        const rt::Text second = rt::NumberToText(rt::RandomInteger(0, 9));
        table.SetCell(i & 4095, 1, first + second);
    });
    table.DeleteAllRows();
}

// Step two's lookups in a photo's table: a 1024 x 1024 board with a colour of its own at nearly
// every pixel, its million colours in the ColorTable; each call reads the next pixel, looks its
// colour up and reads the row's characters, in the order a scan reads them. The table is far
// larger than the caches: this is what the board's telling the table of the colours ahead buys.
void LookUpAPhotosPixel(benchmark::State& state) {
    constexpr int kSide = 1024;
    const auto board = Ctl<rt::Board>(Unit::画板1);
    board.WriteInt(abi::kPropWidth, kSide);
    board.WriteInt(abi::kPropHeight, kSide);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            board.SetPixel(x, y, static_cast<int32_t>((uint32_t(x * 7919 + y) * 2654435761u) >> 8));
        }
    }
    const rt::ListView table = app::ColorTable();
    table.DeleteAllRows();
    const rt::Text characters = rt::NewText("42");
    for (int i = 0; i < kSide * kSide; ++i) {
        const rt::Text colour = rt::NumberToText(board.Pixel(i % kSide, i / kSide));
        if (table.FindRow(colour) < 0) table.SetCell(table.AppendRow(colour), 1, characters);
    }
    Measure(state, [&](int32_t i) {
        const int32_t at = i & (kSide * kSide - 1);
        const rt::Text colour = rt::NumberToText(board.Pixel(at % kSide, at / kSide));
        const rt::Text found = table.Cell(table.FindRow(colour), 1);
        benchmark::DoNotOptimize(found.address());
    });
    table.DeleteAllRows();
}

void DoEventsWhenNothingIsDue(benchmark::State& state) {
    Measure(state, [](int32_t) { rt::DoEvents(); });
}

void ProgressStep(benchmark::State& state) {
    const rt::Control progress = Ctl(Unit::取色字符进度条);
    progress.WriteInt(abi::kPropMaximum, 1 << 30);
    Measure(state, [&](int32_t) {
        progress.WriteInt(abi::kPropPosition, progress.ReadInt(abi::kPropPosition) + 1);
    });
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    int status = 0;
    const auto result = quorix::testing::RunProgram([&](quorix::testing::Session&) {
        benchmark::RegisterBenchmark("AllocateAndFreeShortText", quorix::AllocateAndFreeShortText);
        benchmark::RegisterBenchmark("NumberToText", quorix::NumberToText);
        benchmark::RegisterBenchmark("ReadPixel", quorix::ReadPixel);
        benchmark::RegisterBenchmark("FindRowAmong1000", quorix::FindRow);
        benchmark::RegisterBenchmark("DoEventsWhenNothingIsDue", quorix::DoEventsWhenNothingIsDue);
        benchmark::RegisterBenchmark("GiveRowItsDigits", quorix::GiveRowItsDigits);
        benchmark::RegisterBenchmark("LookUpAPhotosPixel", quorix::LookUpAPhotosPixel);
        benchmark::RegisterBenchmark("ProgressStep", quorix::ProgressStep);
        benchmark::RunSpecifiedBenchmarks();
    });
    benchmark::Shutdown();
    if (result.exit_code != 0) status = 1;
    return status;
}
