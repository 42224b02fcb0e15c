#include "platform/DurableFile.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

DurableFileResult failure(const QString &what, const QString &path, int error) {
    return {false, QStringLiteral("%1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(error)))};
}

} // namespace

DurableFileResult syncToDisk(const QString &path) {
    int fd;
    do {
        // Read-only is enough for fsync and is the only way to open a folder.
        fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return failure(QStringLiteral("Cannot open"), path, errno);
    int result;
    do {
        result = ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    const int error = errno;
    ::close(fd);
    if (result != 0)
        return failure(QStringLiteral("Cannot write to the disk"), path, error);
    return {true, {}};
}

DurableFileResult renameReplacing(const QString &from, const QString &to) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return failure(QStringLiteral("Cannot put in place"), to, errno);
    return {true, {}};
}
