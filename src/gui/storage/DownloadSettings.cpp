#include "gui/storage/DownloadSettings.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <algorithm>

namespace {

const char kFileName[] = "Download.cfg";
const QByteArray kKey = QByteArrayLiteral("speed-limit-mbps=");

} // namespace

int DownloadSettings::loadSpeedLimitMBps(const QString &folder) {
    QFile file(QDir(folder).filePath(QString::fromLatin1(kFileName)));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : file.read(4096).split('\n')) {
        if (!line.trimmed().startsWith(kKey))
            continue;
        bool ok = false;
        const int value = line.trimmed().mid(kKey.size()).toInt(&ok);
        return ok ? std::clamp(value, 0, kMaxSpeedLimitMBps) : 0;
    }
    return 0;
}

QString DownloadSettings::saveSpeedLimitMBps(const QString &folder, int mbps) {
    QSaveFile file(QDir(folder).filePath(QString::fromLatin1(kFileName)));
    const QByteArray text = kKey + QByteArray::number(std::clamp(mbps, 0, kMaxSpeedLimitMBps)) + '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        return file.errorString();
    return {};
}
