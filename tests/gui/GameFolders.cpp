#include "GameFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace GameFolders {

bool copyTree(const QString &from, const QString &to) {
    if (!QDir().mkpath(to))
        return false;
    const QFileInfoList entries = QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        const QString target = QDir(to).filePath(entry.fileName());
        if (entry.isDir() ? !copyTree(entry.filePath(), target) : !QFile::copy(entry.filePath(), target))
            return false;
    }
    return true;
}

QList<qint64> processesOf(const QString &executable) {
    const QString wanted = QFileInfo(executable).canonicalFilePath();
    QList<qint64> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (numeric && !wanted.isEmpty() &&
            QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid)) == wanted)
            found << pid;
    }
    return found;
}

QList<QByteArray> argumentsOf(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> arguments = file.readAll().split('\0');
    if (!arguments.isEmpty() && arguments.last().isEmpty())
        arguments.removeLast();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    return arguments;
}

} // namespace GameFolders
