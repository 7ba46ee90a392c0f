// Loading and saving pictures through the real window: the buttons, the menu items and the
// board's popup menu, with the real file dialog answered as a user would.
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>

#include <fcntl.h>
#include <unistd.h>
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>
#include <csignal>
#include <set>

#include "host/krnln/runtime.h"
#include "host/testing/program_session.h"
#include "output/tests/process_memory.h"
#include "runtime/commands.h"

namespace quorix {
namespace {

using testing::RunProgram;
using testing::Session;
using testing::U;

constexpr QRgb kWhite = 0xFFFFFFFF;

void Hover(Session& s, QPoint at) {
    QWidget* board = s.Find("画板1");
    QMouseEvent event(QEvent::MouseMove, QPointF(at), QPointF(board->mapToGlobal(at)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(board, &event);
}

QImage Filled(int w, int h, QRgb colour) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

// Four quadrants of distinct colours, one of them white.
constexpr QRgb kQuadrants[4] = {0xFFD02010, 0xFF10A030, kWhite, 0xFF3040E0};
QImage Quadrants(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) img.setPixel(x, y, kQuadrants[(y * 2 / h) * 2 + x * 2 / w]);
    }
    return img;
}

QImage Distinct(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(3 * x, 5 * y, (x * y) & 0xFF));
    }
    return img;
}

std::set<QRgb> Colours(const QImage& img) {
    std::set<QRgb> seen;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) seen.insert(img.pixel(x, y));
    }
    return seen;
}

QByteArray Encode(const QImage& img, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(img.save(&buffer, format, 100)) << format;
    return bytes;
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList Entries(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
}

struct DialogSeen {
    QString title;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    bool answered = false;
};

// Answers the next modal file dialog: records it, then types `name` in folder `dir` and
// accepts (confirming a replacement if asked), or cancels when `name` is empty.
void AnswerDialog(DialogSeen& seen, const QString& dir, const QString& name) {
    QTimer::singleShot(0, [&seen, dir, name] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return AnswerDialog(seen, dir, name);  // not up yet
        seen = {dialog->windowTitle(), dialog->acceptMode(), true};
        if (name.isEmpty()) return dialog->reject();
        dialog->setDirectory(dir);
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        // Typed as a user types: into the focused name box, which is what lets the dialog
        // drop the previous name's selection in its list.
        QApplication::setActiveWindow(dialog);
        edit->setFocus();
        EXPECT_TRUE(edit->hasFocus());
        edit->clear();
        QTest::keyClicks(edit, name);
        QTimer::singleShot(0, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box->button(QMessageBox::Yes)->click();
            }
        });
        static_cast<QDialog*>(dialog)->accept();
    });
}

void Load(Session& s, const QString& dir, const QString& name) {
    DialogSeen seen;
    AnswerDialog(seen, dir, name);
    s.Click("按钮3");
    EXPECT_TRUE(seen.answered);
    EXPECT_EQ(seen.mode, QFileDialog::AcceptOpen);
}

void Save(Session& s, const QString& dir, const QString& name) {
    DialogSeen seen;
    AnswerDialog(seen, dir, name);
    s.Click("按钮2");
    EXPECT_TRUE(seen.answered);
    EXPECT_EQ(seen.mode, QFileDialog::AcceptSave);
    EXPECT_EQ(seen.title, U("请输入欲保存到的图片文件名："));
}

void ExpectBoardsShow(Session& s, const QImage& expected) {
    for (const char* board : {"画板1", "画板2"}) {
        const QImage img = s.BoardPicture(board);
        EXPECT_EQ(img.size(), expected.size()) << board;
        EXPECT_EQ(img, expected.convertToFormat(img.format())) << board;
    }
}

TEST(PictureFiles, ALoadSqueezesTheWholePictureOntoBothBoardsAtTheirSize) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    WriteBytes(dir.filePath("big.bmp"), Encode(Quadrants(300, 200), "BMP"));
    RunProgram([&](Session& s) {
        s.PutPicture(Filled(100, 100, qRgb(0, 0, 0)));
        Load(s, dir.path(), "big.bmp");
        // Every pixel of the picture is drawn, white included (nothing is transparent), and
        // without smoothing: the quadrants meet without any blended colour.
        ExpectBoardsShow(s, Quadrants(100, 100));
        EXPECT_EQ(s.Find("画板1")->size(), QSize(100, 100));
        EXPECT_EQ(s.Find("画板2")->size(), QSize(100, 100));
        Hover(s, {50, 50});
        ExpectBoardsShow(s, Quadrants(100, 100));
    });
}

TEST(PictureFiles, PicturesOfOtherFormatsAndSizesLoadToo) {
    const struct {
        const char* format;
        const char* name;
        QSize size;
        int tolerance;  // per channel: JPEG is lossy
    } cases[] = {
        {"PNG", "a.png", {300, 200}, 0},
        {"PNG", "small.png", {10, 20}, 0},  // stretched: each pixel 10 x 5
        {"PNG", "png-named.bmp", {300, 200}, 0},
        {"BMP", "wide.bmp", {1000, 10}, 0},
        {"JPG", "a.jpg", {300, 200}, 24},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& c : cases) {
        WriteBytes(dir.filePath(c.name),
                   Encode(Quadrants(c.size.width(), c.size.height()), c.format));
    }
    RunProgram([&](Session& s) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            s.PutPicture(Filled(100, 100, qRgb(0, 0, 0)));
            Load(s, dir.path(), c.name);
            const QImage want = Quadrants(100, 100);
            for (const char* board : {"画板1", "画板2"}) {
                const QImage got = s.BoardPicture(board);
                ASSERT_EQ(got.size(), QSize(100, 100));
                if (c.tolerance == 0) {
                    EXPECT_EQ(got, want.convertToFormat(got.format())) << board;
                    continue;
                }
                for (QPoint p : {QPoint(20, 20), QPoint(80, 20), QPoint(20, 80), QPoint(80, 80)}) {
                    const QRgb g = got.pixel(p), w = want.pixel(p);
                    EXPECT_NEAR(qRed(g), qRed(w), c.tolerance) << board;
                    EXPECT_NEAR(qGreen(g), qGreen(w), c.tolerance) << board;
                    EXPECT_NEAR(qBlue(g), qBlue(w), c.tolerance) << board;
                }
            }
        }
    });
}

// One-pixel stripes of two colours: any smoothing would show as a third colour.
QImage Stripes(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) img.setPixel(x, y, (x + y) % 2 ? kQuadrants[0] : kQuadrants[3]);
    }
    return img;
}

TEST(PictureFiles, AShrunkPictureKeepsItsOwnColours) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* format : {"BMP", "PNG"}) {
        WriteBytes(dir.filePath(QStringLiteral("stripes.") + format),
                   Encode(Stripes(301, 203), format));
    }
    RunProgram([&](Session& s) {
        s.SetOutputSize("100", "70");
        for (const char* format : {"BMP", "PNG"}) {
            SCOPED_TRACE(format);
            s.PutPicture(Filled(100, 70, kWhite));
            Load(s, dir.path(), QStringLiteral("stripes.") + format);
            for (const char* board : {"画板1", "画板2"}) {
                std::set<QRgb> colours = Colours(s.BoardPicture(board));
                colours.erase(kQuadrants[0]);
                colours.erase(kQuadrants[3]);
                EXPECT_TRUE(colours.empty()) << board << ": " << colours.size() << " others";
            }
        }
    });
}

TEST(PictureFiles, CancellingChangesNothingAndWritesNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    RunProgram([&](Session& s) {
        s.PutPicture(Distinct(100, 100));
        Load(s, dir.path(), QString());
        ExpectBoardsShow(s, Distinct(100, 100));
        Save(s, dir.path(), QString());
        EXPECT_TRUE(Entries(dir.path()).isEmpty()) << Entries(dir.path()).join(' ').toStdString();
    });
}

// Big-endian CRC-32 of a PNG chunk's type and data.
uint32_t Crc32(const QByteArray& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (char ch : bytes) {
        crc ^= static_cast<uint8_t>(ch);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

QByteArray Chunk(const char* type, const QByteArray& data) {
    QByteArray out(4, '\0');
    qToBigEndian<uint32_t>(static_cast<uint32_t>(data.size()), out.data());
    const QByteArray body = QByteArray(type) + data;
    QByteArray crc(4, '\0');
    qToBigEndian<uint32_t>(Crc32(body), crc.data());
    return out + body + crc;
}

// A PNG whose header claims `side` x `side` RGB pixels, with a few bytes of broken data.
QByteArray HugePng(uint32_t side) {
    QByteArray ihdr(13, '\0');
    qToBigEndian<uint32_t>(side, ihdr.data());
    qToBigEndian<uint32_t>(side, ihdr.data() + 4);
    ihdr[8] = 8;  // bits per channel
    ihdr[9] = 2;  // RGB
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", ihdr) +
           Chunk("IDAT", QByteArray("\x78\x9c\x01\x02", 4)) + Chunk("IEND", {});
}

// A BMP file header and info header claiming `side` x `side` pixels at 24 bits, and no pixels.
QByteArray HugeBmp(int32_t side) {
    QByteArray b(54, '\0');
    b[0] = 'B';
    b[1] = 'M';
    qToLittleEndian<uint32_t>(54, b.data() + 10);
    qToLittleEndian<uint32_t>(40, b.data() + 14);
    qToLittleEndian<int32_t>(side, b.data() + 18);
    qToLittleEndian<int32_t>(side, b.data() + 22);
    qToLittleEndian<uint16_t>(1, b.data() + 26);
    qToLittleEndian<uint16_t>(24, b.data() + 28);
    return b;
}

long PeakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(PictureFiles, AFileThatIsNoPictureItCanShowChangesNothing) {
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty.bmp", {}},
        {"text.bmp", "just some words, not a picture\n"},
        {"cut.bmp", Encode(Distinct(40, 40), "BMP").left(20)},
        {"signature.png", QByteArray("\x89PNG\r\n\x1a\n", 8)},
        {"huge.png", HugePng(50000)},
        {"huge.bmp", HugeBmp(50000)},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& c : cases) WriteBytes(dir.filePath(c.name), c.bytes);
    RunProgram([&](Session& s) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            s.PutPicture(Distinct(100, 100));
            const long peak_before = PeakResidentKb();
            QElapsedTimer timer;
            timer.start();
            Load(s, dir.path(), c.name);
            // Refused from the header: no time spent and no memory taken for the pixels
            // (50000 x 50000 would be 10 GB).
            EXPECT_LT(timer.elapsed(), 2000);
            if (kMemoryFiguresMeaningful) {
                EXPECT_LT(PeakResidentKb() - peak_before, 64 * 1024);
            }
            ExpectBoardsShow(s, Distinct(100, 100));
        }
    });
}

// A JPEG of one colour whose frame header claims `side` x `side` pixels: the entropy data runs
// out early, which the decoder fills in, so the file stands for a picture of that size.
QByteArray BigJpeg(uint16_t side) {
    QByteArray jpeg = Encode(Filled(16, 16, kQuadrants[3]), "JPG");
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    EXPECT_GT(sof, 0);
    qToBigEndian<uint16_t>(side, jpeg.data() + sof + 5);  // height
    qToBigEndian<uint16_t>(side, jpeg.data() + sof + 7);  // width
    return jpeg;
}

TEST(PictureFiles, AVeryLargePictureLoadsScaledWithoutExhaustingMemory) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    WriteBytes(dir.filePath("big.jpg"), BigJpeg(20000));  // 1.6 GB if decoded whole
    RunProgram([&](Session& s) {
        s.PutPicture(Filled(100, 100, kWhite));
        const long peak_before = PeakResidentKb();
        Load(s, dir.path(), "big.jpg");
        if (kMemoryFiguresMeaningful) {
            EXPECT_LT(PeakResidentKb() - peak_before, 200 * 1024);
        }
        const QImage shown = s.BoardPicture("画板2");
        EXPECT_EQ(shown.size(), QSize(100, 100));
        EXPECT_NE(shown.pixel(8, 8), kWhite) << "the picture was drawn";
        EXPECT_EQ(s.BoardPicture("画板1"), shown);
    });
}

TEST(PictureFiles, ASaveWritesA24BitBitmapOfTheBoardSize) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    WriteBytes(dir.filePath("big.bmp"), Encode(Quadrants(300, 200), "BMP"));
    RunProgram([&](Session& s) {
        s.SetOutputSize("120", "80");
        Load(s, dir.path(), "big.bmp");
        Save(s, dir.path(), "pic");
        const QByteArray bytes = ReadBytes(dir.filePath("pic.bmp"));  // ".bmp" added
        ASSERT_GE(bytes.size(), 54);
        EXPECT_EQ(bytes.left(2), "BM");
        EXPECT_EQ(qFromLittleEndian<int32_t>(bytes.constData() + 18), 120);
        EXPECT_EQ(std::abs(qFromLittleEndian<int32_t>(bytes.constData() + 22)), 80);
        EXPECT_EQ(qFromLittleEndian<uint16_t>(bytes.constData() + 28), 24);
        const QImage saved = QImage::fromData(bytes, "BMP");
        EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), Quadrants(120, 80));
        EXPECT_FALSE(QFile::exists(dir.filePath("pic")));
    });
}

TEST(PictureFiles, ReloadingASavedPictureGivesTheSamePixels) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    RunProgram([&](Session& s) {
        s.SetOutputSize("64", "48");
        s.PutPicture(Distinct(64, 48));
        Save(s, dir.path(), "round.bmp");
        s.Click("按钮1");
        ASSERT_EQ(Colours(s.BoardPicture("画板1")), std::set<QRgb>{kWhite});
        Load(s, dir.path(), "round.bmp");
        ExpectBoardsShow(s, Distinct(64, 48));
        // Saving again over the file keeps the same pixels.
        Save(s, dir.path(), "round.bmp");
        EXPECT_EQ(QImage(dir.filePath("round.bmp")).convertToFormat(QImage::Format_RGB32),
                  Distinct(64, 48));
    });
}

// Limits the size of any file this process writes, like a disk with little room left.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);  // a failed write, not a kill
        rlimit small = saved_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_handler_);
    }

private:
    rlimit saved_{};
    void (*previous_handler_)(int) = nullptr;
};

TEST(PictureFiles, ASaveThatRunsOutOfRoomLeavesTheExistingFileIntact) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray old = Encode(Quadrants(30, 20), "BMP");
    WriteBytes(dir.filePath("keep.bmp"), old);
    RunProgram([&](Session& s) {
        s.PutPicture(Distinct(100, 100));  // about 30 KB as a bitmap
        {
            const FileSizeLimit limit(4096);
            Save(s, dir.path(), "keep.bmp");
        }
        EXPECT_EQ(ReadBytes(dir.filePath("keep.bmp")), old);
        EXPECT_EQ(Entries(dir.path()), QStringList{"keep.bmp"}) << "no partial file left";
        // With room, the same save replaces it.
        Save(s, dir.path(), "keep.bmp");
        EXPECT_EQ(QImage(dir.filePath("keep.bmp")).convertToFormat(QImage::Format_RGB32),
                  Distinct(100, 100));
    });
}

// Makes a folder immutable: nothing can be created in it or renamed into it, not even by root.
// Not every file system or container allows this; the test is skipped then.
class ImmutableFolder {
public:
    explicit ImmutableFolder(const QString& path) : fd_(open(QFile::encodeName(path), O_RDONLY)) {
        if (fd_ < 0 || ioctl(fd_, FS_IOC_GETFLAGS, &flags_) != 0) return;
        int set = flags_ | FS_IMMUTABLE_FL;
        ok_ = ioctl(fd_, FS_IOC_SETFLAGS, &set) == 0;
    }
    ~ImmutableFolder() {
        if (ok_) ioctl(fd_, FS_IOC_SETFLAGS, &flags_);
        if (fd_ >= 0) close(fd_);
    }
    bool ok() const { return ok_; }

private:
    int fd_;
    int flags_ = 0;
    bool ok_ = false;
};

TEST(PictureFiles, ASaveIntoAReadOnlyFolderLeavesTheExistingFileIntact) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray old = Encode(Quadrants(30, 20), "BMP");
    WriteBytes(dir.filePath("keep.bmp"), old);
    RunProgram([&](Session& s) {
        s.PutPicture(Distinct(100, 100));
        const ImmutableFolder folder(dir.path());
        if (!folder.ok()) GTEST_SKIP() << "this file system cannot make a folder read-only";
        Save(s, dir.path(), "keep.bmp");
        EXPECT_EQ(ReadBytes(dir.filePath("keep.bmp")), old);
        EXPECT_EQ(Entries(dir.path()), QStringList{"keep.bmp"});
    });
}

QAction* MenuBarAction(Session& s, const char* text) {
    for (QAction* menu : s.window()->menuBar()->actions()) {
        if (menu->menu() == nullptr) continue;
        for (QAction* a : menu->menu()->actions()) {
            if (a->text() == U(text)) return a;
        }
    }
    return nullptr;
}

// Runs a popup menu item: a right press on the picture board, then a click on the item.
void ClickPopupItem(Session& s, const char* text) {
    QTest::mousePress(s.Find("画板1"), Qt::RightButton, Qt::NoModifier, {30, 30});
    QTest::mouseRelease(s.Find("画板1"), Qt::RightButton, Qt::NoModifier, {30, 30});
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    for (QAction* a : popup->actions()) {
        if (a->text() != U(text)) continue;
        QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, popup->actionGeometry(a).center());
        if (popup->isVisible()) popup->close();
        return;
    }
    popup->close();
    ADD_FAILURE() << "no popup item " << text;
}

TEST(PictureFiles, TheMenuItemsAndThePopupMenuLoadAndSaveAsTheButtonsDo) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    WriteBytes(dir.filePath("q.png"), Encode(Quadrants(40, 40), "PNG"));
    RunProgram([&](Session& s) {
        DialogSeen seen;
        QAction* load = MenuBarAction(s, "载入图片");
        QAction* save = MenuBarAction(s, "保存图片");
        ASSERT_NE(load, nullptr);
        ASSERT_NE(save, nullptr);

        AnswerDialog(seen, dir.path(), "q.png");
        load->trigger();
        EXPECT_EQ(seen.mode, QFileDialog::AcceptOpen);
        ExpectBoardsShow(s, Quadrants(100, 100));
        AnswerDialog(seen, dir.path(), "from-menu");
        save->trigger();
        EXPECT_EQ(seen.mode, QFileDialog::AcceptSave);
        EXPECT_EQ(QImage(dir.filePath("from-menu.bmp")).convertToFormat(QImage::Format_RGB32),
                  Quadrants(100, 100));

        s.PutPicture(Distinct(100, 100));
        AnswerDialog(seen, dir.path(), "q.png");
        ClickPopupItem(s, "载入图片");
        EXPECT_EQ(seen.mode, QFileDialog::AcceptOpen);
        ExpectBoardsShow(s, Quadrants(100, 100));
        s.PutPicture(Distinct(100, 100));
        AnswerDialog(seen, dir.path(), "from-popup");
        ClickPopupItem(s, "保存图片");
        EXPECT_EQ(seen.mode, QFileDialog::AcceptSave);
        EXPECT_EQ(QImage(dir.filePath("from-popup.bmp")).convertToFormat(QImage::Format_RGB32),
                  Distinct(100, 100));
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    });
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
