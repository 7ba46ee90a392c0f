// How long the real window takes to close: the real quorix on a private Xvfb, closed as a
// window manager closes it (WM_DELETE_WINDOW), 20 times in each of five states a person leaves
// it in. The time runs from the close until the process has ended. Prints the median and the
// slowest close of each state and the slowest of all 100.
//
//   close_bench
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "testing/desktop_actions.h"

namespace quorix {
namespace {

using namespace testing;
using Clock = std::chrono::steady_clock;

constexpr int kClosesPerState = 20;

struct State {
    const char* name;
    std::function<bool(DesktopProgram&)> prepare;  // false when it could not be reached
};

// The close times of one state in milliseconds, sorted; empty when a round failed.
std::vector<double> CloseTimes(XServer& x, const State& state) {
    std::vector<double> times;
    for (int round = 0; round < kClosesPerState; ++round) {
        DesktopProgram q(x);
        if (!q.ok() || !state.prepare(q)) {
            std::fprintf(stderr, "close_bench: %s, round %d: the state was not reached\n%s",
                         state.name, round, q.log().c_str());
            return {};
        }
        const auto closed = Clock::now();
        q.Close();
        const std::optional<int> status = q.WaitExit();
        if (status != 0) {
            std::fprintf(stderr, "close_bench: %s, round %d: no clean end\n%s", state.name, round,
                         q.log().c_str());
            return {};
        }
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - closed).count());
    }
    std::sort(times.begin(), times.end());
    return times;
}

}  // namespace
}  // namespace quorix

int main() {
    using namespace quorix;
    const QImage noise = Noise(1024);
    const State states[] = {
        {"idle", [](DesktopProgram&) { return true; }},
        {"after a load",
         [](DesktopProgram& q) {
             QImage picture(300, 200, QImage::Format_RGB32);
             picture.fill(qRgb(10, 200, 30));
             return LoadPicture(q, WritePicture(q, picture, "p.bmp"));
         }},
        {"during step one",
         [&](DesktopProgram& q) {
             return SetOutputSize(q, 1024, 1024) &&
                    LoadPicture(q, WritePicture(q, noise, "noise.bmp")) && StartStepOne(q);
         }},
        {"during step two",
         [&](DesktopProgram& q) {
             return SetOutputSize(q, 1024, 1024) &&
                    LoadPicture(q, WritePicture(q, noise, "noise.bmp")) &&
                    ClickAndWait(q, "按钮11") && StartStepTwo(q);
         }},
        {"after a copy",
         [](DesktopProgram& q) {
             return ClickAndWait(q, "按钮13") && CopyOutput(q).size() == 200;
         }},
    };
    XServer x;
    if (!x.ok()) {
        std::fprintf(stderr, "close_bench: no X server\n");
        return 1;
    }
    double slowest = 0;
    for (const State& state : states) {
        const std::vector<double> times = CloseTimes(x, state);
        if (times.empty()) return 1;
        std::printf("%-16s %d closes: median %6.1f ms, slowest %6.1f ms\n", state.name,
                    static_cast<int>(times.size()), times[times.size() / 2], times.back());
        slowest = std::max(slowest, times.back());
    }
    std::printf("slowest of all %d closes: %.1f ms\n", kClosesPerState * 5, slowest);
    return 0;
}
