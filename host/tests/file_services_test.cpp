// The runtime's file services on their own: the open dialog's filters, and a whole-file write
// that says why it failed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "host/krnln/controls/file_dialog.h"
#include "host/krnln/file_writing.h"

namespace quorix::host {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

TEST(FileDialogFilters, APictureFilterIsPrecededByEveryFormatTheLoadReads) {
    const QStringList formats = {"bmp", "gif", "jpeg", "jpg", "png"};
    const QString all = U("所有图片文件(*.bmp *.gif *.jpeg *.jpg *.png)");
    struct Case {
        const char* stored;
        QStringList expected;
    };
    const Case cases[] = {
        {"图像文件(*.bmp)|*.bmp", {all, U("图像文件(*.bmp)")}},
        {"Pictures|*.PNG;*.gif", {all, U("Pictures (*.PNG *.gif)")}},
        // A filter that offers anything but pictures is left as it is.
        {"文本(*.txt)|*.txt", {U("文本(*.txt)")}},
        {"图像文件(*.bmp)|*.bmp|全部|*.*", {U("图像文件(*.bmp)"), U("全部 (*.*)")}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(OpenFileFilters(U(c.stored), formats), c.expected);
    }
    // Without formats to offer, nothing is added.
    EXPECT_EQ(OpenFileFilters(U("图像文件(*.bmp)|*.bmp"), {}), QStringList{U("图像文件(*.bmp)")});
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(FileWriting, AWholeFileIsWrittenOrTheFailureSaysWhyAndTheOldFileStays) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("picture.bmp"));
    EXPECT_EQ(WriteWholeFile(path, "first"), QString());
    EXPECT_EQ(Read(path), QByteArray("first"));
    EXPECT_EQ(WriteWholeFile(path, "second"), QString());
    EXPECT_EQ(Read(path), QByteArray("second"));

    struct Case {
        QString path;
        const char* why;
    };
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const Case cases[] = {
        {dir.filePath(QStringLiteral("missing/picture.bmp")), "文件夹不存在或不能在其中建立文件"},
        {dir.filePath(QStringLiteral("folder")), "那是一个文件夹"},
        {dir.filePath(QString(300, QChar('x'))), "文件名太长"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(WriteWholeFile(c.path, "third"), U(c.why));
    }
    EXPECT_EQ(Read(path), QByteArray("second"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("picture.bmp")});
}

TEST(FileWriting, EveryErrorNumberHasWordsForTheUser) {
    EXPECT_EQ(FileErrorReason(ENOSPC, {}), U("磁盘空间不足"));
    EXPECT_EQ(FileErrorReason(EDQUOT, {}), U("磁盘空间不足"));
    EXPECT_EQ(FileErrorReason(EACCES, {}), U("没有在那里写文件的权限"));
    EXPECT_EQ(FileErrorReason(EROFS, {}), U("那里是只读的"));
    // A number with nothing to say gives the system's words, or a plain one.
    EXPECT_EQ(FileErrorReason(EBADF, QStringLiteral("Bad file descriptor")),
              QStringLiteral("Bad file descriptor"));
    EXPECT_EQ(FileErrorReason(0, {}), U("写入出错"));
}

}  // namespace
}  // namespace quorix::host
