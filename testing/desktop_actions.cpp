#include "testing/desktop_actions.h"

#include <QImageWriter>
#include <set>

namespace quorix::testing {

bool SetOutputSize(DesktopProgram& q, int width, int height) {
    return q.Retype("宽组合框1", std::to_string(width)) &&
           q.Retype("高组合框1", std::to_string(height)) && ClickAndWait(q, "按钮16");
}

bool ClickAndWait(DesktopProgram& q, const char* control) {
    q.Click(control);
    return q.WaitIdle(kStepWatchdog);
}

namespace {

// Whether the progress bar of step one is partly filled: its two ends differ.
bool ProgressPartlyFilled(DesktopProgram& q) {
    const QRect bar = q.Place("取色字符进度条").adjusted(2, 2, -2, -2);
    const QImage shown = q.Grab(bar);
    const int middle = shown.height() / 2;
    return shown.pixel(2, middle) != shown.pixel(shown.width() - 3, middle);
}

QRect OutputInside(DesktopProgram& q) {
    return q.Place("编辑框1").adjusted(3, 3, -20, -20);
}

}  // namespace

bool StartStepOne(DesktopProgram& q) {
    if (ProgressPartlyFilled(q)) return false;
    q.Click("按钮11");
    return q.WaitUntil([&] { return ProgressPartlyFilled(q); });
}

bool StartStepTwo(DesktopProgram& q) {
    if (!InkRows(q.Grab(OutputInside(q))).empty()) return false;
    q.Click("按钮13");
    return q.WaitUntil([&] { return !InkRows(q.Grab(OutputInside(q))).empty(); });
}

std::string CopyOutput(DesktopProgram& q) {
    EXPECT_TRUE(ClickAndWait(q, "复制按钮")) << "watchdog: the copy did not end";
    return q.Clipboard().value_or(std::string());
}

std::string TextShownIn(DesktopProgram& q, const char* control) {
    // An empty box copies nothing: the marker stays on the clipboard.
    static const std::string kMarker = "(nothing was copied)";
    EXPECT_TRUE(q.OfferOnClipboard(kMarker)) << "the marker did not reach the clipboard";
    q.Click(control);
    EXPECT_TRUE(q.WaitIdle()) << "watchdog: no rest after a click on " << control;
    q.Keys("ctrl+a");
    q.Keys("ctrl+c");
    EXPECT_TRUE(q.WaitIdle()) << "watchdog: no rest after Ctrl+C in " << control;
    const std::string copied = q.Clipboard().value_or(std::string());
    return copied == kMarker ? std::string() : copied;
}

std::optional<std::string> CopyMessage(DesktopProgram& q) {
    if (!q.WaitUntil([&] { return q.DialogTitle() == "Quorix"; }) || !q.WaitIdle()) {
        return std::nullopt;
    }
    // A message box puts its text on the clipboard with Ctrl+C.
    if (!q.OfferOnClipboard("(nothing)")) return std::nullopt;
    q.Keys("ctrl+c");
    if (!q.WaitIdle()) return std::nullopt;
    return q.Clipboard();
}

std::string WritePicture(DesktopProgram& q, const QImage& picture, const std::string& name) {
    const std::string path = q.folder() + "/" + name;
    QImageWriter writer(QString::fromStdString(path), "bmp");
    return writer.write(picture) ? path : std::string();
}

bool LoadPicture(DesktopProgram& q, const std::string& path) {
    q.Click("按钮3");
    return q.AnswerFileDialog(path);
}

bool SavePicture(DesktopProgram& q, const std::string& typed) {
    q.Click("按钮2");
    return q.AnswerFileDialog(typed);
}

::testing::AssertionResult CloseAndExit(DesktopProgram& q) {
    q.Close();
    const std::optional<int> status = q.WaitExit();
    if (!status) {
        return ::testing::AssertionFailure()
               << "watchdog: the program still ran " << DesktopProgram::kWatchdog.count()
               << " ms after the close\n"
               << q.log();
    }
    if (*status != 0) {
        return ::testing::AssertionFailure() << "the program ended with status " << *status << "\n"
                                             << q.log();
    }
    return ::testing::AssertionSuccess();
}

std::vector<QPoint> TabsOnScreen(DesktopProgram& q) {
    const QRect bar(q.ClientPoint(0, 4), q.ClientPoint(400, 26));
    const QImage shown = q.Grab(bar);
    std::vector<QPoint> tabs;
    // Characters of one caption stand a few pixels apart; captions further.
    std::vector<std::pair<int, int>> runs;
    for (const auto& [first, last] : InkColumns(shown)) {
        if (!runs.empty() && first - runs.back().second <= static_cast<int>(10 * q.scale())) {
            runs.back().second = last;
        } else {
            runs.emplace_back(first, last);
        }
    }
    for (const auto& [first, last] : runs) {
        tabs.emplace_back(bar.left() + (first + last) / 2, bar.center().y());
    }
    return tabs;
}

QRect BoardOnScreen(DesktopProgram& q) {
    // From the board's corner, the blank board reaches as far as the white goes.
    const QPoint corner = q.Place("画板1").topLeft();
    const QImage around = q.Grab(QRect(corner, q.window_rect().bottomRight()));
    int width = 0, height = 0;
    while (width < around.width() && around.pixel(width, 0) == qRgb(255, 255, 255)) ++width;
    while (height < around.height() && around.pixel(0, height) == qRgb(255, 255, 255)) ++height;
    return QRect(corner, QSize(width, height));
}

std::vector<QRect> ListRowsOnScreen(DesktopProgram& q) {
    const QRect list = q.Place("颜色分类列表框").adjusted(2, 2, -2, -2);
    const QImage shown = q.Grab(list);
    std::vector<QRect> rows;
    const auto lines = InkRows(shown.copy(0, 0, shown.width() - 20, shown.height()));
    // The first line of text is the column titles.
    for (size_t i = 1; i < lines.size(); ++i) {
        rows.emplace_back(list.left(), list.top() + lines[i].first, list.width() - 20,
                          lines[i].second - lines[i].first + 1);
    }
    return rows;
}

int32_t FrameColour(DesktopProgram& q) {
    // Left of the combo box the frame shows nothing but its own colour.
    const QRect frame = q.Place("对应修改颜色框");
    return ColourValue(
        q.Pixel(frame.topLeft() + QPoint(static_cast<int>(6 * q.scale()), frame.height() / 2)));
}

QImage Bands() {
    QImage picture(8, 4, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(0, 0, 255), qRgb(200, 200, 0)};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) picture.setPixel(x, y, colours[(x / 2 + y) % 4]);
    }
    return picture;
}

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

std::vector<int32_t> ColoursInScanOrder(const QImage& picture) {
    std::vector<int32_t> order;
    std::set<int32_t> seen;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const int32_t c = ColourValue(picture.pixel(x, y));
            if (seen.insert(c).second) order.push_back(c);
        }
    }
    return order;
}

OutputCheck CheckOutput(const QImage& picture, const std::string& text,
                        const std::map<int32_t, std::string>& fixed) {
    OutputCheck check;
    size_t pos = 0;
    auto fail = [&](int x, int y, const std::string& what) {
        check.difference = "row " + std::to_string(y) + ", pixel " + std::to_string(x) +
                           " (text offset " + std::to_string(pos) + "): " + what;
        return check;
    };
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const int32_t c = ColourValue(picture.pixel(x, y));
            if (const auto f = fixed.find(c); f != fixed.end()) {
                if (text.compare(pos, f->second.size(), f->second) != 0) {
                    return fail(x, y, "expected \"" + f->second + "\"");
                }
                pos += f->second.size();
                continue;
            }
            if (pos + 2 > text.size() || !isdigit(static_cast<unsigned char>(text[pos])) ||
                !isdigit(static_cast<unsigned char>(text[pos + 1]))) {
                return fail(x, y, "expected two digits, found \"" + text.substr(pos, 8) + "\"");
            }
            const std::string digits = text.substr(pos, 2);
            const auto [it, added] = check.mapping.emplace(c, digits);
            if (!added && it->second != digits) {
                return fail(x, y,
                            "colour " + std::to_string(c) + " stood for " + it->second +
                                " before, now " + digits);
            }
            pos += 2;
        }
        if (text.compare(pos, 2, "\r\n") != 0) return fail(picture.width(), y, "expected CR LF");
        pos += 2;
    }
    if (pos != text.size()) return fail(0, picture.height(), "text goes on after the last line");
    for (const auto& [colour, characters] : fixed) check.mapping[colour] = characters;
    check.ok = true;
    return check;
}

}  // namespace quorix::testing
