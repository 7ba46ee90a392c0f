// Saves that cannot be written, through the real window: a folder with no room left and a
// folder in which nothing can be created. Each save must leave an existing picture file exactly
// as it was, leave no partial file behind, and say in a message what was not saved, where and
// why.
// The tests run as root, for whom permission bits do not stop a write, so each fault is one
// that holds for root too.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "host/krnln/runtime.h"
#include "output/tests/picture_samples.h"
#include "runtime/commands.h"
#include "testing/program_session.h"

namespace quorix {
namespace {

using testing::Entries;
using testing::ReadBytes;
using testing::RunProgram;
using testing::Session;
using testing::WriteBytes;

QImage Gradient(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x * 2, y * 2, 99));
    }
    return img;
}

QByteArray Bmp(const QImage& img) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "BMP");
    return bytes;
}

bool AnyMessageShown() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(w) != nullptr && w->isVisible()) return true;
    }
    return false;
}

// A tmpfs of `bytes`, mounted over `path` in a mount namespace of this thread's own, so
// nothing outside the test process sees it. Needs the right to mount; ok() says whether it
// was granted.
class TinyFileSystem {
public:
    TinyFileSystem(const QString& path, int bytes) : path_(QFile::encodeName(path)) {
        if (unshare(CLONE_NEWNS) != 0) return;
        // Keep the mount from spreading back into the namespace we came from.
        if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return;
        const QByteArray options = "size=" + QByteArray::number(bytes);
        ok_ = mount("tmpfs", path_.constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~TinyFileSystem() {
        if (ok_) umount2(path_.constData(), MNT_DETACH);
    }
    bool ok() const { return ok_; }

private:
    QByteArray path_;
    bool ok_ = false;
};

struct SaveFault {
    const char* what;
    QString folder;   // the save dialog's folder
    QString name;     // typed into the save dialog
    QString kept;     // an existing file that must stay as it was
    QString watched;  // a folder that must gain no file
    QString why;      // the reason the message gives
    bool replaced;    // the save was to replace a file that stays as it was
};

void ExpectSaveLeavesFileIntact(const SaveFault& fault) {
    SCOPED_TRACE(fault.what);
    const QByteArray before = ReadBytes(fault.kept);
    ASSERT_FALSE(before.isEmpty());
    const QStringList entries = Entries(fault.watched);
    const auto result = RunProgram([&](Session& s) {
        s.Find("画板1")->setProperty("picture", Gradient(100, 100));
        testing::FileDialogSeen dialog;
        testing::AnswerFileDialog(dialog, fault.folder, fault.name);
        testing::MessageSeen message;
        testing::AnswerMessage(message);
        s.Click("按钮2");
        EXPECT_TRUE(dialog.answered);
        // The save went to the path typed, and the message says it was not written there, and
        // why.
        const QString path = fault.folder + "/" + QFileInfo(fault.name).completeBaseName() + ".bmp";
        EXPECT_EQ(s.runtime().ReadProperty(QString::fromUtf8("通用对话框1"), abi::kPropFileName),
                  path);
        EXPECT_TRUE(message.shown);
        const std::string text = message.text.toStdString();
        EXPECT_TRUE(message.text.contains(QStringLiteral("无法保存到“%1”").arg(path))) << text;
        EXPECT_TRUE(message.text.contains(fault.why)) << text;
        EXPECT_EQ(message.text.contains(QStringLiteral("原有的文件没有改动")), fault.replaced)
            << text;
        EXPECT_FALSE(AnyMessageShown());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        // The window still works: the picture board is there with its picture.
        EXPECT_EQ(s.Find("画板1")->property("picture").value<QImage>().size(), QSize(100, 100));
    });
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(ReadBytes(fault.kept), before);
    EXPECT_EQ(Entries(fault.watched), entries) << "a partial or stray file was left";
}

TEST(SaveFaults, AFullFileSystemLeavesTheExistingPictureIntact) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const TinyFileSystem tiny(dir.path(), 64 * 1024);
    if (!tiny.ok()) GTEST_SKIP() << "this process may not mount a file system";
    // An old 40 x 40 picture (4.8 KB) and a filler take all but a few KB; the new 100 x 100
    // bitmap needs 30 KB.
    const QString kept = dir.filePath("keep.bmp");
    ASSERT_TRUE(WriteBytes(kept, Bmp(Gradient(40, 40))));
    QFile filler(dir.filePath("filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
    }
    filler.close();
    ExpectSaveLeavesFileIntact({"full file system", dir.path(), "keep.bmp", kept, dir.path(),
                                QStringLiteral("磁盘空间不足"), true});
}

TEST(SaveFaults, ASaveIntoAFolderWhereNoFileCanBeMadeSaysSo) {
    // /proc/<pid> refuses every new file, even root's, and its files stay as they were (its
    // own name "comm" is one root could write).
    const QString folder = QStringLiteral("/proc/%1").arg(QCoreApplication::applicationPid());
    ExpectSaveLeavesFileIntact({"/proc folder", folder, "pic", folder + "/comm", folder,
                                QStringLiteral("没有在那里写文件的权限"), false});
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
