// Speed of steps one and two: the real image in the real runtime, headless. Times a click on
// 按钮11 / 按钮13 to the end of the step and prints pixels per second, the ratio to a plain C++
// loop doing the same work in this process, the time a click on 停止 takes to end a running
// step, the peak memory of the process, and whether program memory was given back.
//
//   steps_bench photo256 | photo1024 | art256 | art4096 | stop
//   steps_bench write-photo FILE   (the 1024 x 1024 photo as a PNG, for the peers to convert)
#include <sys/resource.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "host/krnln/runtime.h"
#include "runtime/commands.h"
#include "testing/program_session.h"
#include "testing/watchdog.h"

namespace quorix {
namespace {

using testing::Session;

// Three colour ramps plus Gaussian noise: nearly every pixel its own colour.
QImage Photo(int side) {
    QImage img(side, side, QImage::Format_RGB32);
    std::mt19937 rng(42);
    std::normal_distribution<double> noise(0.0, 12.0);
    auto clamp = [](double v) { return std::clamp(static_cast<int>(v), 0, 255); };
    for (int y = 0; y < side; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < side; ++x) {
            const double r = 255.0 * x / side, g = 255.0 * y / side,
                         b = 255.0 * (x + y) / (2.0 * side);
            line[x] = qRgb(clamp(r + noise(rng)), clamp(g + noise(rng)), clamp(b + noise(rng)));
        }
    }
    return img;
}

// 16 colours in 64 x 64 blocks.
QImage PixelArt(int side) {
    QImage img(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < side; ++x) {
            const int c = ((x / 64) + 3 * (y / 64)) % 16;
            line[x] = qRgb(c * 16, 255 - c * 16, (c * 97) & 255);
        }
    }
    return img;
}

// The same work as the two steps in one plain loop: a first-seen table of colours (flat open
// addressing), then each pixel's two characters appended to one string.
struct Baseline {
    double step_one_s = 0, step_two_s = 0;
    size_t colours = 0, characters = 0;
};

Baseline PlainLoop(const QImage& img) {
    Baseline b;
    const int w = img.width(), h = img.height();
    std::vector<uint32_t> keys(size_t{1} << 22), index(keys.size());
    const size_t mask = keys.size() - 1;
    std::vector<uint32_t> colours;
    auto slot_of = [&](uint32_t key) {
        size_t i = (key * 0x9E3779B1u) & mask;
        while (keys[i] != 0 && keys[i] != key + 1) i = (i + 1) & mask;
        return i;
    };
    auto t0 = std::chrono::steady_clock::now();
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const uint32_t key = line[x] & 0xFFFFFF;
            const size_t i = slot_of(key);
            if (keys[i] == 0) {
                keys[i] = key + 1;
                index[i] = static_cast<uint32_t>(colours.size());
                colours.push_back(key);
            }
        }
    }
    auto t1 = std::chrono::steady_clock::now();
    std::string out;
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const uint32_t n = index[slot_of(line[x] & 0xFFFFFF)];
            out.push_back(static_cast<char>('0' + n % 10));
            out.push_back(static_cast<char>('0' + n / 10 % 10));
        }
        out += "\r\n";
    }
    auto t2 = std::chrono::steady_clock::now();
    b.step_one_s = std::chrono::duration<double>(t1 - t0).count();
    b.step_two_s = std::chrono::duration<double>(t2 - t1).count();
    b.colours = colours.size();
    b.characters = out.size();
    return b;
}

double PeakMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}

void SetSize(Session& s, int side) {
    s.Find<QComboBox>("宽组合框1")->setEditText(QString::number(side));
    s.Find<QComboBox>("高组合框1")->setEditText(QString::number(side));
    s.Click("按钮16");
}

double TimeClick(Session& s, const char* button) {
    QElapsedTimer t;
    t.start();
    s.Click(button);
    return t.nsecsElapsed() / 1e9;
}

// The longest time the window went without handling its events while a step ran: from the
// click to the first pump, from the end of one pump to the start of the next (the scan, and
// what the runtime shows before it lets events run), and from the last pump to the end of the
// step (what the step does after its scan keeps the window waiting too). The time the events
// themselves take is the longest pump, apart.
class PumpWatch {
public:
    PumpWatch() {
        host::RuntimeHooks hooks = host::GetRuntimeHooks();
        hooks.on_pump = [this] {
            const qint64 now = clock_.nsecsElapsed();
            longest_ = std::max(longest_, now - last_);
            pump_started_ = now;
        };
        hooks.on_pump_done = [this] {
            last_ = clock_.nsecsElapsed();
            longest_pump_ = std::max(longest_pump_, last_ - pump_started_);
        };
        host::SetRuntimeHooks(hooks);
        clock_.start();
    }
    ~PumpWatch() {
        host::RuntimeHooks hooks = host::GetRuntimeHooks();
        hooks.on_pump = nullptr;
        hooks.on_pump_done = nullptr;
        host::SetRuntimeHooks(hooks);
    }
    // The step has ended: the time since the last pump is the last wait.
    void Finish() {
        tail_ = clock_.nsecsElapsed() - last_;
        longest_ = std::max(longest_, tail_);
    }
    double longest_ms() const { return longest_ / 1e6; }
    double tail_ms() const { return tail_ / 1e6; }
    double longest_pump_ms() const { return longest_pump_ / 1e6; }

private:
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 pump_started_ = 0;
    qint64 longest_ = 0;
    qint64 longest_pump_ = 0;
    qint64 tail_ = 0;
};

// How long the window takes to answer an action on the output after step two: the action and
// the repaint it causes.
template <typename Action>
double Answer(Action&& action) {
    QElapsedTimer t;
    t.start();
    action();
    QCoreApplication::processEvents();
    return t.nsecsElapsed() / 1e6;
}

void AfterStepTwo(Session& s) {
    QWidget* output = s.Find("编辑框1");
    const double zoom = Answer([&] { s.ClickChild("调节器2", "up"); });
    const double reset = Answer([&] { s.Click("字体大小复位按钮"); });
    const double end = Answer([&] {
        output->setFocus();
        QTest::keyClick(output, Qt::Key_End, Qt::ControlModifier);
    });
    const double copy = Answer([&] { s.Click("复制按钮"); });
    // The digits are drawn at random: replace one that the output surely holds, its first.
    QChar digit('1');
    qsizetype found = 0;
    {
        const QString before = output->property("text").toString();
        if (!before.isEmpty()) digit = before.front();
        found = before.count(digit);
    }
    s.Find<QLineEdit>("替换编辑框")->setText(QString(digit));
    s.Find<QComboBox>("修改对应编辑框1")->setEditText(QString::fromUtf8("█"));
    const double replace = Answer([&] { s.Click("按钮4"); });
    const qsizetype blocks = output->property("text").toString().count(QString::fromUtf8("█"));
    std::printf(
        "  after step two: zoom step %.1f ms, reset %.1f ms, scroll to the end %.1f ms, copy "
        "%.1f ms, replace %c -> █ %.1f ms (%lld of %lld replaced)\n",
        zoom, reset, end, copy, digit.toLatin1(), replace, static_cast<long long>(blocks),
        static_cast<long long>(found));
}

// `make(side)` makes the picture twice: for the board, and again for the plain loop once the
// peak memory is read, so that the peak is the program's and not this benchmark's own copy.
void Steps(Session& s, const char* name, QImage (*make)(int), int side) {
    const double pixels = double(side) * side;
    SetSize(s, side);
    s.Find("画板1")->setProperty("picture", make(side));
    const uint64_t blocks_before = s.BlocksInUse();
    double one = 0, two = 0, one_wait = 0, two_wait = 0, one_tail = 0, two_tail = 0;
    double one_pump = 0, two_pump = 0;
    {
        PumpWatch watch;
        one = TimeClick(s, "按钮11");
        watch.Finish();
        one_wait = watch.longest_ms();
        one_tail = watch.tail_ms();
        one_pump = watch.longest_pump_ms();
    }
    const int rows = s.Find<QAbstractItemView>("颜色分类列表框")->model()->rowCount();
    {
        PumpWatch watch;
        two = TimeClick(s, "按钮13");
        watch.Finish();
        two_wait = watch.longest_ms();
        two_tail = watch.tail_ms();
        two_pump = watch.longest_pump_ms();
    }
    const qsizetype characters = s.Find("编辑框1")->property("text").toString().size();
    const uint64_t blocks_after = s.BlocksInUse();
    const double peak_mb = PeakMb();  // before the plain loop's own buffers
    const Baseline plain = PlainLoop(make(side));
    std::printf("%s: %dx%d, %d colours (ColorTable rows)\n", name, side, side, rows);
    std::printf("  step one: %8.1f ms  %7.2f Mpx/s  (plain loop %6.1f ms, ratio %5.1fx)\n",
                one * 1e3, pixels / one / 1e6, plain.step_one_s * 1e3, one / plain.step_one_s);
    std::printf("  step two: %8.1f ms  %7.2f Mpx/s  (plain loop %6.1f ms, ratio %5.1fx)\n",
                two * 1e3, pixels / two / 1e6, plain.step_two_s * 1e3, two / plain.step_two_s);
    std::printf(
        "  longest wait for events: step one %.1f ms, step two %.1f ms (from the last pump to "
        "the end of the step: %.1f ms, %.1f ms; longest time the events themselves took: "
        "%.1f ms, %.1f ms)\n",
        one_wait, two_wait, one_tail, two_tail, one_pump, two_pump);
    std::printf("  characters in 编辑框1: %lld\n", static_cast<long long>(characters));
    std::printf(
        "  program-memory blocks before / after: %llu / %llu (the stop request holds one "
        "text after the first step)\n",
        static_cast<unsigned long long>(blocks_before),
        static_cast<unsigned long long>(blocks_after));
    std::printf("  peak memory of the process through step two: %.0f MB\n", peak_mb);
    AfterStepTwo(s);
}

// Clicks 停止 once the running step is a quarter through (step one: its progress bar; step two:
// a quarter of the lines it writes), and prints how long the step takes to end after that. A
// step that ends before it gets there is said so, not timed.
void StopLatency(Session& s) {
    constexpr int kSide = 1024;
    const QImage img = Photo(kSide);
    SetSize(s, kSide);
    s.Find("画板1")->setProperty("picture", img);
    s.Click("按钮11");
    QObject* output = s.Find("编辑框1");
    for (const char* step : {"按钮11", "按钮13"}) {
        const bool one = std::strcmp(step, "按钮11") == 0;
        // Step one: the progress position as the program has set it (the bar shows it a few
        // times a second). Step two: the lines it has written.
        auto far_enough = [&] {
            if (one) {
                return host::Runtime::Current()
                           ->ReadProperty(QStringLiteral("取色字符进度条"), abi::kPropPosition)
                           .toInt() >= kSide * kSide / 4;
            }
            return output->property("text").toString().count(QLatin1Char('\n')) >= kSide / 4;
        };
        // Checked where the running step lets events through, as a person's click would land.
        QElapsedTimer since_click;
        host::RuntimeHooks hooks = host::GetRuntimeHooks();
        hooks.on_pump = [&] {
            if (since_click.isValid() || !far_enough()) return;
            since_click.start();
            s.Click("停止");
        };
        host::SetRuntimeHooks(hooks);
        s.Click(step);
        hooks.on_pump = nullptr;
        host::SetRuntimeHooks(hooks);
        const char* name = one ? "step one" : "step two";
        if (!since_click.isValid()) {
            std::printf("stop during %s: the step ended before it was a quarter through\n", name);
            continue;
        }
        std::printf("stop during %s: step ended %.2f ms after the click on 停止\n", name,
                    since_click.nsecsElapsed() / 1e6);
    }
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string which = argc > 1 ? argv[1] : "photo256";
    if (which == "write-photo" && argc > 2) return quorix::Photo(1024).save(argv[2], "PNG") ? 0 : 1;
    // A program that never gets going (its runtime not found beside a copied binary, say) would
    // otherwise hold whoever waits on this benchmark for good.
    const quorix::testing::Watchdog watchdog(std::chrono::seconds(300), "steps_bench " + which);
    const auto result = quorix::testing::RunProgram([&](quorix::testing::Session& s) {
        if (which == "photo256") quorix::Steps(s, "photo", quorix::Photo, 256);
        if (which == "photo1024") quorix::Steps(s, "photo", quorix::Photo, 1024);
        if (which == "art256") quorix::Steps(s, "pixel art", quorix::PixelArt, 256);
        if (which == "art4096") quorix::Steps(s, "pixel art", quorix::PixelArt, 4096);
        if (which == "stop") quorix::StopLatency(s);
    });
    return result.exit_code == 0 ? 0 : 1;
}
