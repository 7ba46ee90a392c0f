// Loads of damaged and malicious picture files (scripts/make_hostile_pictures.py) and of a
// 24-megapixel camera photo through the real window, headless: for each, the time from the
// confirmed file dialog until the load has drawn both boards, and how far the process's peak
// resident memory rose above what it held before. Prints every load and, for each board size,
// the longest load and the largest memory growth.
//
//   hostile_pictures_bench
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "output/tests/hostile_pictures.h"
#include "output/tests/process_memory.h"
#include "testing/program_session.h"

namespace quorix {
namespace {

using testing::Session;

struct Load {
    std::string name;
    double ms = 0;
    long growth_kb = 0;
};

QImage Stripes(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, qRgb(x * 5 % 256, y * 3 % 256, 77));
    }
    return img;
}

Load TimeLoad(Session& s, const QString& path, const std::string& name, QSize board) {
    s.PutPicture(Stripes(board));
    ProcessMemory::ResetPeak();
    const long resident_before = ProcessMemory::Now().resident_kb;
    testing::FileDialogSeen dialog;
    testing::AnswerFileDialog(dialog, path);
    s.Click("按钮3");
    Load load{name, -1, ProcessMemory::Now().peak_kb - resident_before};
    if (dialog.answered && dialog.confirmed.isValid())
        load.ms = dialog.confirmed.nsecsElapsed() / 1e6;
    return load;
}

void Print(QSize board, const std::vector<Load>& loads) {
    std::printf("at %d x %d:\n", board.width(), board.height());
    for (const Load& l : loads) {
        std::printf("  %-34s %8.1f ms %8ld KB peak growth\n", l.name.c_str(), l.ms, l.growth_kb);
    }
    const auto slowest =
        std::max_element(loads.begin(), loads.end(), [](auto& a, auto& b) { return a.ms < b.ms; });
    const auto hungriest = std::max_element(
        loads.begin(), loads.end(), [](auto& a, auto& b) { return a.growth_kb < b.growth_kb; });
    if (slowest == loads.end()) return;
    std::printf("  %zu loads; longest %.1f ms (%s); largest memory growth %ld KB (%s)\n",
                loads.size(), slowest->ms, slowest->name.c_str(), hungriest->growth_kb,
                hungriest->name.c_str());
}

}  // namespace
}  // namespace quorix

int main() {
    using namespace quorix;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir dir;
    const std::vector<Hostile> files =
        dir.isValid() ? MakeHostilePictures(dir.path()) : std::vector<Hostile>{};
    if (files.empty()) {
        std::fprintf(stderr, "hostile_pictures_bench: the generator did not run\n");
        return 1;
    }
    // A camera's photo, 6000 x 4000, made from a real photograph.
    const QString camera = dir.filePath("camera_6000x4000.jpg");
    const QImage real(QStringLiteral(QUORIX_PHOTOS_DIR "/coffee.jpg"));
    if (!real.scaled(6000, 4000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
             .save(camera, "JPG", 92)) {
        std::fprintf(stderr, "hostile_pictures_bench: could not write the camera photo\n");
        return 1;
    }
    const auto result = testing::RunProgram([&](Session& s) {
        for (const QSize board : {QSize(100, 100), QSize(1024, 768)}) {
            s.SetOutputSize(QString::number(board.width()), QString::number(board.height()));
            std::vector<Load> loads;
            for (const Hostile& f : files) {
                loads.push_back(
                    TimeLoad(s, dir.filePath(QString::fromStdString(f.name)), f.name, board));
            }
            Print(board, loads);
            const Load photo = TimeLoad(s, camera, "camera photo 6000 x 4000 (JPEG)", board);
            std::printf("  %-34s %8.1f ms %8ld KB peak growth\n", photo.name.c_str(), photo.ms,
                        photo.growth_kb);
        }
    });
    return result.exit_code == 0 ? 0 : 1;
}
