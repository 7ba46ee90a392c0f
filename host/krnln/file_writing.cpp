#include "host/krnln/file_writing.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>

namespace quorix::host {

QString FileErrorReason(int error_number, const QString& fallback) {
    switch (error_number) {
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("磁盘空间不足");
        case EACCES:
        case EPERM:
            return QStringLiteral("没有在那里写文件的权限");
        case EROFS:
            return QStringLiteral("那里是只读的");
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("文件夹不存在或不能在其中建立文件");
        case EISDIR:
            return QStringLiteral("那是一个文件夹");
        case ENAMETOOLONG:
            return QStringLiteral("文件名太长");
        case EIO:
            return QStringLiteral("读写设备出错");
        default:
            return fallback.isEmpty() ? QStringLiteral("写入出错") : fallback;
    }
}

QString WriteWholeFile(const QString& path, std::string_view data) {
    // Qt reports a failure by its own kind and text; the system's number, read right after the
    // call that failed, says more precisely why.
    if (QFileInfo(path).isDir()) return FileErrorReason(EISDIR, {});
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) return FileErrorReason(errno, file.errorString());
    errno = 0;
    if (file.write(data.data(), static_cast<qint64>(data.size())) !=
        static_cast<qint64>(data.size())) {
        const int error_number = errno;
        const QString text = file.errorString();
        file.cancelWriting();
        return FileErrorReason(error_number, text);
    }
    errno = 0;
    if (!file.commit()) return FileErrorReason(errno, file.errorString());
    return {};
}

QString SaveOrSayWhy(const QString& path, std::string_view data) {
    const bool existed = QFileInfo::exists(path);
    const QString why = WriteWholeFile(path, data);
    if (why.isEmpty()) return {};
    QString message =
        QStringLiteral("无法保存到“%1”：%2。").arg(QDir::toNativeSeparators(path), why);
    if (existed) message += QStringLiteral("\n原有的文件没有改动。");
    return message;
}

}  // namespace quorix::host
