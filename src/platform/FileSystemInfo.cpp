#include "platform/FileSystemInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <limits>
#include <sys/stat.h>
#include <sys/statvfs.h>

std::optional<qint64> freeBytes(const QString &folder) {
    if (folder.isEmpty())
        return std::nullopt;
    QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    for (;;) {
        struct statvfs info {};
        int result;
        do {
            result = ::statvfs(QFile::encodeName(path).constData(), &info);
        } while (result != 0 && errno == EINTR);
        if (result == 0) {
            constexpr auto most = static_cast<quint64>(std::numeric_limits<qint64>::max());
            const quint64 blockSize = info.f_frsize;
            if (blockSize != 0 && info.f_bavail > most / blockSize)
                return std::numeric_limits<qint64>::max();
            return static_cast<qint64>(info.f_bavail * blockSize);
        }
        if (errno != ENOENT || path == QStringLiteral("/"))
            return std::nullopt;
        path = QFileInfo(path).path();
    }
}

qint64 fileLength(const QString &path) {
    struct stat info {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    return static_cast<qint64>(info.st_size);
}
