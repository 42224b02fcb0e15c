#include "BenchProbes.h"

#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QProcess>

qint64 processStatusKiB(const QByteArray &field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines)
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

QByteArray loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray("?");
}

void settleDisk() {
    QProcess::execute(QStringLiteral("sync"), {});
}

double curlSeconds(const QString &url, const QString &caPath, const QString &path) {
    QElapsedTimer clock;
    clock.start();
    const int rc =
        QProcess::execute(QStringLiteral("curl"), {QStringLiteral("-sS"), QStringLiteral("--cacert"), caPath,
                                                   QStringLiteral("-o"), path, url});
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    return rc == 0 ? seconds : -1;
}
