// Speed of the text tools on the output of a 1024 x 1024 picture (1024 lines of 1024 pixels,
// two characters a pixel: about 2.1 million characters), or of a larger one with --side=4096
// (33.5 million characters), in the real program: the time from a click on 按钮4 (replace) or
// 复制按钮 (copy) until the click returns. Each replace starts from the same output text, set as
// the program sets it, outside the timed part. Also replaces with patterns that backtrack
// without end over about 2 MB of lines made to be expensive for them: the time until the
// engine gives up and the click returns.
//
//   text_tools_bench [--side=N] [Google Benchmark flags]
#include <benchmark/benchmark.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QStringEncoder>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "app/program.h"
#include "testing/program_session.h"

namespace quorix {
namespace {

using testing::Session;

int g_side = 1024;
// The window must answer within this after a click on either.
constexpr double kReplaceBudgetMs = 100, kCopyBudgetMs = 100;
// A pattern that backtracks without end must give up within this on 2 MB of text.
constexpr double kGiveUpBudgetMs = 1000;

// A step-two output: every pixel two random digits, one pixel in four mapped to "█".
QByteArray OutputText() {
    std::mt19937 rng(7);
    QString text;
    text.reserve(g_side * (2 * g_side + 2));
    for (int y = 0; y < g_side; ++y) {
        for (int x = 0; x < g_side; ++x) {
            const uint32_t r = rng();
            if (r % 4 == 0) {
                text += QChar(0x2588);
            } else {
                text += QChar('0' + static_cast<char>(r / 4 % 10));
                text += QChar('0' + static_cast<char>(r / 40 % 10));
            }
        }
        text += QStringLiteral("\r\n");
    }
    QStringEncoder encode("GB18030");
    return encode(text);
}

void SetOutput(const QByteArray& bytes) {
    app::Ctl<rt::EditBox>(app::Unit::编辑框1)
        .SetContent(rt::NewText({bytes.constData(), static_cast<size_t>(bytes.size())}));
}

// About 2 MB of text: `line` repeated, each time followed by CR LF.
QByteArray Repeated(const QString& line) {
    QString text;
    const QString with_break = line + QStringLiteral("\r\n");
    text.reserve(2'000'000 + with_break.size());
    while (text.size() < 2'000'000) text += with_break;
    QStringEncoder encode("GB18030");
    return encode(text);
}

size_t OutputBytes() {
    return app::Ctl<rt::EditBox>(app::Unit::编辑框1).Content().view().size();
}

// Times clicks on `button`; `prepare` runs untimed before each click.
template <typename F>
void TimeClicks(benchmark::State& state, const char* name, Session& s, const char* button,
                double budget_ms, F&& prepare) {
    double worst_ms = 0;
    for (auto _ : state) {
        prepare();
        QElapsedTimer clock;
        clock.start();
        s.Click(button);
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        worst_ms = std::max(worst_ms, ms);
        state.SetIterationTime(ms / 1000.0);
    }
    state.counters["worst_ms"] = worst_ms;
    state.counters["budget_ms"] = budget_ms;
    state.counters["output_bytes"] = static_cast<double>(OutputBytes());
    std::printf("%-28s worst %.1f ms (budget %.0f ms): %s\n", name, worst_ms, budget_ms,
                worst_ms < budget_ms ? "within" : "OVER");
}

void Replace(benchmark::State& state, const char* name, Session& s, const QByteArray& output,
             const char* pattern, const char* replacement) {
    s.Find<QLineEdit>("替换编辑框")->setText(QString::fromUtf8(pattern));
    s.Find<QComboBox>("修改对应编辑框1")->setEditText(QString::fromUtf8(replacement));
    TimeClicks(state, name, s, "按钮4", kReplaceBudgetMs, [&] { SetOutput(output); });
}

void GiveUp(benchmark::State& state, const char* name, Session& s, const QByteArray& output,
            const char* pattern) {
    s.Find<QLineEdit>("替换编辑框")->setText(QString::fromUtf8(pattern));
    TimeClicks(state, name, s, "按钮4", kGiveUpBudgetMs, [&] { SetOutput(output); });
}

void Copy(benchmark::State& state, Session& s, const QByteArray& output) {
    SetOutput(output);
    TimeClicks(state, "Copy", s, "复制按钮", kCopyBudgetMs, [] {});
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--side=", 7) == 0) quorix::g_side = std::atoi(argv[i] + 7);
    }
    benchmark::Initialize(&argc, argv);
    const QByteArray output = quorix::OutputText();
    const auto result = quorix::testing::RunProgram([&](quorix::testing::Session& s) {
        auto add = [](const char* name, auto&& fn) {
            benchmark::RegisterBenchmark(name, fn)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(8);
        };
        add("Replace/1->block", [&](benchmark::State& st) {
            quorix::Replace(st, "Replace 1 -> block", s, output, "1", "█");
        });
        add("Replace/[0-4]->two_spaces", [&](benchmark::State& st) {
            quorix::Replace(st, "Replace [0-4] -> two spaces", s, output, "[0-4]", "  ");
        });
        add("Replace/matching_nowhere", [&](benchmark::State& st) {
            quorix::Replace(st, "Replace matching nowhere", s, output, "x", "  ");
        });
        add("Copy", [&](benchmark::State& st) { quorix::Copy(st, s, output); });
        // Patterns that backtrack without end, each over the lines that make it expensive.
        struct Backtracking {
            const char* name;
            QString line;
            const char* pattern;
        };
        static const Backtracking kBacktracking[] = {
            {"GiveUp/(a|aa)+$", QString(30, QChar('a')) + "b", "(a|aa)+$"},
            {"GiveUp/(\\d+)+x", QStringLiteral("12345678"), "(\\d+)+x"},
            {"GiveUp/(\\d|\\d\\d)+$x", QStringLiteral("01234567890123456789"), "(\\d|\\d\\d)+$x"},
            {"GiveUp/(\\d*)*x", QString(2048, QChar('7')), "(\\d*)*x"},
            {"GiveUp/(\\d|\\d\\d){1,16}x", QString(2048, QChar('7')), "(\\d|\\d\\d){1,16}x"},
        };
        for (const Backtracking& b : kBacktracking) {
            benchmark::RegisterBenchmark(
                b.name,
                [&s, &b, text = quorix::Repeated(b.line)](benchmark::State& st) {
                    quorix::GiveUp(st, b.name, s, text, b.pattern);
                })
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(3);
        }
        benchmark::RunSpecifiedBenchmarks();
    });
    benchmark::Shutdown();
    return result.exit_code == 0 ? 0 : 1;
}
