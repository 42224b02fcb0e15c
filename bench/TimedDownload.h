#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// One download through the launcher's download client, timed from StartDownload (the blocking size
// request included) to the finished handler.
struct TimedDownload {
    double seconds = -1; // -1 unless the whole file arrived
    qint64 sizeRequestMs = 0;
    qint64 blocks = 0; // progress hand-overs
    QString error;
};

// Fetches base + file into folder; onBlock runs on every progress hand-over.
TimedDownload timeDownload(const QByteArray &base, const QByteArray &file, const QString &folder,
                           qint64 expectedBytes, const std::function<void()> &onBlock = {});
