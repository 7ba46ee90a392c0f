// Damaged and malicious picture files loaded through the real window: each load must leave the
// boards as they were or show a picture at the board's size, within a second, without a crash
// and without taking more than 500 MB. The files are made at test time by
// scripts/make_hostile_pictures.py, which also says which of them must be refused outright.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "host/krnln/runtime.h"
#include "host/testing/program_session.h"
#include "output/tests/process_memory.h"
#include "runtime/commands.h"

namespace quorix {
namespace {

using testing::RunProgram;
using testing::Session;

struct Hostile {
    std::string name;
    bool must_be_refused = false;
};

// Runs the generator into `dir` and reads its manifest.
std::vector<Hostile> MakeHostilePictures(const QString& dir) {
    const std::string command =
        std::string("python3 '") + QUORIX_HOSTILE_SCRIPT + "' '" + dir.toStdString() + "'";
    if (std::system(command.c_str()) != 0) return {};
    std::vector<Hostile> files;
    std::ifstream manifest(dir.toStdString() + "/manifest.txt");
    std::string name, expectation;
    while (manifest >> name >> expectation) files.push_back({name, expectation == "refused"});
    return files;
}

QImage Picture(Session& s, const char* board) {
    return s.Find(board)->property("picture").value<QImage>();
}

void PutPicture(Session& s, const QImage& picture) {
    s.Find("画板1")->setProperty("picture", picture);
    s.Find("画板2")->setProperty("picture", picture);
}

void SetSize(Session& s, int width, int height) {
    s.Find<QComboBox>("宽组合框1")->setEditText(QString::number(width));
    s.Find<QComboBox>("高组合框1")->setEditText(QString::number(height));
    s.Click("按钮16");
}

QImage Stripes(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x * 5 % 256, y * 3 % 256, 77));
    }
    return img;
}

struct Figures {
    std::string name;
    qint64 load_ms = 0;
    long peak_growth_kb = 0;
};

// AddressSanitizer makes every load two to three times slower: the bound allows for it.
constexpr qint64 kMaxLoadMs = kMemoryFiguresMeaningful ? 1000 : 3000;
constexpr long kMaxGrowthKb = 500 * 1024;

// Loads every hostile file at one board size and checks what each load did.
std::vector<Figures> LoadAll(Session& s, const QString& dir, const std::vector<Hostile>& files,
                             QSize board) {
    SetSize(s, board.width(), board.height());
    const QImage before = Stripes(board.width(), board.height());
    std::vector<Figures> figures;
    for (const Hostile& file : files) {
        SCOPED_TRACE(file.name + " at " + std::to_string(board.width()) + "x" +
                     std::to_string(board.height()));
        PutPicture(s, before);
        const QImage unchanged = Picture(s, "画板1");  // in the board's own pixel format
        const uint64_t blocks = s.BlocksInUse();
        ProcessMemory::ResetPeak();
        const long rss_before = ProcessMemory::Now().resident_kb;
        testing::FileDialogSeen dialog;
        testing::AnswerFileDialog(dialog, dir + "/" + QString::fromStdString(file.name));
        s.Click("按钮3");
        const qint64 elapsed = dialog.confirmed.isValid() ? dialog.confirmed.elapsed() : -1;
        const long growth = ProcessMemory::Now().peak_kb - rss_before;
        EXPECT_TRUE(dialog.answered);
        figures.push_back({file.name, elapsed, growth});

        EXPECT_EQ(s.runtime().ReadProperty(QString::fromUtf8("通用对话框1"), abi::kPropFileName),
                  dir + "/" + QString::fromStdString(file.name))
            << "the dialog gave another file";
        EXPECT_LT(elapsed, kMaxLoadMs);
        if (kMemoryFiguresMeaningful) {
            EXPECT_LT(growth, kMaxGrowthKb);
        }
        EXPECT_EQ(s.BlocksInUse(), blocks) << "the file's bytes were not released";
        const QImage shown = Picture(s, "画板1");
        EXPECT_EQ(s.Find("画板1")->size(), board);
        EXPECT_EQ(s.Find("画板2")->size(), board);
        EXPECT_EQ(shown.size(), board);
        // Both boards get the same draw: both unchanged, or both the same picture.
        EXPECT_TRUE(shown == Picture(s, "画板2"));
        if (file.must_be_refused) {
            EXPECT_TRUE(shown == unchanged) << "the boards changed";
        }
    }
    return figures;
}

void Print(const char* title, const std::vector<Figures>& figures) {
    std::printf("%s\n", title);
    for (const Figures& f : figures) {
        std::printf("  %-34s %5lld ms %8ld KB peak growth\n", f.name.c_str(),
                    static_cast<long long>(f.load_ms), f.peak_growth_kb);
    }
    const auto slowest = std::max_element(figures.begin(), figures.end(),
                                          [](auto& a, auto& b) { return a.load_ms < b.load_ms; });
    const auto hungriest = std::max_element(figures.begin(), figures.end(), [](auto& a, auto& b) {
        return a.peak_growth_kb < b.peak_growth_kb;
    });
    if (slowest == figures.end()) return;
    std::printf("  %zu files; longest load %lld ms (%s); largest memory growth %ld KB (%s)\n",
                figures.size(), static_cast<long long>(slowest->load_ms), slowest->name.c_str(),
                hungriest->peak_growth_kb, hungriest->name.c_str());
}

TEST(HostilePictures, EachLoadLeavesTheBoardsOrShowsAPictureQuicklyAndWithinBoundedMemory) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::vector<Hostile> files = MakeHostilePictures(dir.path());
    ASSERT_GE(files.size(), 20u) << "the generator did not run";
    for (const Hostile& f : files) ASSERT_TRUE(QFile::exists(dir.filePath(f.name.c_str())));

    RunProgram([&](Session& s) {
        // Small boards make formats that can decode at a smaller size do so; big boards make
        // every picture decode at full size and then be stretched.
        Print("hostile pictures at 100 x 100:", LoadAll(s, dir.path(), files, {100, 100}));
        Print("hostile pictures at 1024 x 768:", LoadAll(s, dir.path(), files, {1024, 768}));

        // The program is none the worse: a sound picture still loads onto both boards.
        SetSize(s, 40, 30);
        const QString good = dir.filePath("good.bmp");
        ASSERT_TRUE(Stripes(40, 30).save(good, "BMP"));
        QImage black(40, 30, QImage::Format_RGB32);
        black.fill(Qt::black);
        PutPicture(s, black);
        testing::FileDialogSeen dialog;
        testing::AnswerFileDialog(dialog, good);
        s.Click("按钮3");
        EXPECT_TRUE(dialog.answered);
        EXPECT_EQ(Picture(s, "画板1").convertToFormat(QImage::Format_RGB32), Stripes(40, 30));
        EXPECT_EQ(Picture(s, "画板2").convertToFormat(QImage::Format_RGB32), Stripes(40, 30));
    });
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
