// Damaged and malicious picture files loaded through the real window: each load must leave the
// boards as they were or show a picture at the board's size, without a crash and within
// bounded memory. The files are made at test time by scripts/make_hostile_pictures.py, which
// also says which of them must be refused outright. (How long each load takes, and how much
// memory it takes, bench/hostile_pictures_bench prints.)
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
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
#include "output/tests/hostile_pictures.h"
#include "output/tests/process_memory.h"
#include "runtime/commands.h"
#include "testing/program_session.h"
#include "testing/watchdog.h"

namespace quorix {
namespace {

using testing::RunProgram;
using testing::Session;

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

// What one load may take beyond what the process holds: the decoded picture (at most 128 MB)
// and its conversion for the draw.
constexpr long kMaxGrowthKb = 256 * 1024;

// Loads every hostile file at one board size and checks what each load did.
void LoadAll(Session& s, const QString& dir, const std::vector<Hostile>& files, QSize board) {
    SetSize(s, board.width(), board.height());
    const QImage before = Stripes(board.width(), board.height());
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
        {
            const testing::Watchdog watchdog(std::chrono::seconds(30), "the load of " + file.name);
            s.Click("按钮3");
        }
        const long growth = ProcessMemory::Now().peak_kb - rss_before;
        EXPECT_TRUE(dialog.answered);

        EXPECT_EQ(s.runtime().ReadProperty(QString::fromUtf8("通用对话框1"), abi::kPropFileName),
                  dir + "/" + QString::fromStdString(file.name))
            << "the dialog gave another file";
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
}

TEST(HostilePictures, EachLoadLeavesTheBoardsOrShowsAPictureWithinBoundedMemory) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::vector<Hostile> files = MakeHostilePictures(dir.path());
    ASSERT_GE(files.size(), 20u) << "the generator did not run";
    for (const Hostile& f : files) ASSERT_TRUE(QFile::exists(dir.filePath(f.name.c_str())));

    RunProgram([&](Session& s) {
        // Small boards make formats that can decode at a smaller size do so; big boards make
        // every picture decode at full size and then be stretched.
        LoadAll(s, dir.path(), files, {100, 100});
        LoadAll(s, dir.path(), files, {1024, 768});

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
