#include "GameFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

namespace {

std::optional<QByteArray> variable(const char *name) {
    return qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name)) : std::nullopt;
}

void restore(const char *name, const std::optional<QByteArray> &value) {
    if (value)
        qputenv(name, *value);
    else
        qunsetenv(name);
}

} // namespace

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

QScopeGuard<std::function<void()>> childrenOnDisplay(const QByteArray &display) {
    const std::optional<QByteArray> oldDisplay = variable("DISPLAY");
    const std::optional<QByteArray> oldPlatform = variable("QT_QPA_PLATFORM");
    qputenv("DISPLAY", display);
    qputenv("QT_QPA_PLATFORM", "xcb");
    return QScopeGuard<std::function<void()>>([oldDisplay, oldPlatform] {
        restore("DISPLAY", oldDisplay);
        restore("QT_QPA_PLATFORM", oldPlatform);
    });
}

} // namespace GameFolders
