// Picture files that go wrong, through the real window: files that are no picture or claim
// pictures too large to hold, and saves with no room or into a folder that cannot change. None
// of them may change the boards, take the memory a huge picture would need, or damage a file
// that is already there.
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>

#include <fcntl.h>
#include <unistd.h>
#include <QTemporaryDir>
#include <QtEndian>
#include <csignal>
#include <cstdlib>

#include "output/tests/picture_samples.h"
#include "output/tests/process_memory.h"
#include "testing/program_session.h"

namespace quorix {
namespace {

using namespace testing;

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

TEST(PictureFileFaults, AFileThatIsNoPictureItCanShowChangesNothing) {
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
    for (const auto& c : cases) ASSERT_TRUE(WriteBytes(dir.filePath(c.name), c.bytes));
    RunProgram([&](Session& s) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            s.PutPicture(Distinct(100, 100));
            const long peak_before = PeakResidentKb();
            Load(s, dir.path(), c.name);
            // Refused from the header: no memory taken for the pixels (50000 x 50000 would be
            // 10 GB).
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

TEST(PictureFileFaults, AVeryLargePictureLoadsScaledWithoutExhaustingMemory) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(WriteBytes(dir.filePath("big.jpg"), BigJpeg(20000)));  // 1.6 GB if decoded whole
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

// The mean difference of two pictures of the same size, per channel, from 0 to 255.
double MeanDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * x.width() * x.height());
}

// A photo as a 24-megapixel camera takes it (6000 x 4000, a JPEG of several MB), made from a
// real photograph: it loads, shown at the board's size, and takes far less memory than the
// 96 MB of its pixels decoded whole.
TEST(PictureFileFaults, ACameraPhotoOf24MegapixelsLoadsAtTheSizeOfTheBoard) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QImage real(QStringLiteral(QUORIX_PHOTOS_DIR "/coffee.jpg"));
    ASSERT_FALSE(real.isNull());
    const QImage photo = real.scaled(6000, 4000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    ASSERT_TRUE(photo.save(dir.filePath("camera.jpg"), "JPG", 92));
    const long whole_kb = 6000L * 4000 * 4 / 1024;
    RunProgram([&](Session& s) {
        for (const QSize board : {QSize(1024, 768), QSize(100, 100), QSize(4096, 4096)}) {
            SCOPED_TRACE(std::to_string(board.width()) + " x " + std::to_string(board.height()));
            s.SetOutputSize(QString::number(board.width()), QString::number(board.height()));
            s.PutPicture(Distinct(board.width(), board.height()));
            ProcessMemory::ResetPeak();
            const long resident_before = ProcessMemory::Now().resident_kb;
            Load(s, dir.path(), "camera.jpg");
            const long growth = ProcessMemory::Now().peak_kb - resident_before;
            const QImage shown = s.BoardPicture("画板1");
            ASSERT_EQ(shown.size(), board);
            EXPECT_EQ(s.BoardPicture("画板2"), shown);
            // The photo as it would look shrunk with care: every pixel close to it.
            const QImage expected =
                photo.scaled(board, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            EXPECT_LT(MeanDifference(shown, expected), 4.0);
            EXPECT_GT(MeanDifference(Distinct(board.width(), board.height()), expected), 30.0)
                << "the test's photo is too like the picture it replaces";
            if (kMemoryFiguresMeaningful && board.width() <= 1024) {
                EXPECT_LT(growth, whole_kb / 2) << "the photo was decoded whole";
            }
        }
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

TEST(PictureFileFaults, ASaveThatRunsOutOfRoomLeavesTheExistingFileIntact) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray old = Encode(Quadrants(30, 20), "BMP");
    ASSERT_TRUE(WriteBytes(dir.filePath("keep.bmp"), old));
    RunProgram([&](Session& s) {
        s.PutPicture(Distinct(100, 100));  // about 30 KB as a bitmap
        {
            const FileSizeLimit limit(4096);
            const QString message = SaveFailing(s, dir.path(), "keep.bmp");
            EXPECT_TRUE(message.contains(dir.filePath("keep.bmp"))) << message.toStdString();
            EXPECT_TRUE(message.contains(U("原有的文件没有改动"))) << message.toStdString();
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

TEST(PictureFileFaults, ASaveIntoAReadOnlyFolderLeavesTheExistingFileIntact) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray old = Encode(Quadrants(30, 20), "BMP");
    ASSERT_TRUE(WriteBytes(dir.filePath("keep.bmp"), old));
    RunProgram([&](Session& s) {
        s.PutPicture(Distinct(100, 100));
        const ImmutableFolder folder(dir.path());
        if (!folder.ok()) GTEST_SKIP() << "this file system cannot make a folder read-only";
        const QString message = SaveFailing(s, dir.path(), "keep.bmp");
        EXPECT_TRUE(message.contains(U("没有在那里写文件的权限"))) << message.toStdString();
        EXPECT_EQ(ReadBytes(dir.filePath("keep.bmp")), old);
        EXPECT_EQ(Entries(dir.path()), QStringList{"keep.bmp"});
    });
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
