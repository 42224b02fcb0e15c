#pragma once

#include <QString>
#include <QtGlobal>

// The launcher's own small settings file for downloads, beside the two tables and apart from them:
// "Download.cfg" in the launcher's folder, one "speed-limit-mbps=N" line (whole MB/s, 1 MB =
// 1024 × 1024 bytes; 0 or no file: no limit). Anything else in it is ignored.
class DownloadSettings {
public:
    static constexpr int kMaxSpeedLimitMBps = 10000;

    // The stored limit in MB/s; 0 when none is stored or the file cannot be read as one.
    [[nodiscard]] static int loadSpeedLimitMBps(const QString &folder);
    // Empty on success, else why the file could not be written.
    [[nodiscard]] static QString saveSpeedLimitMBps(const QString &folder, int mbps);
    [[nodiscard]] static qint64 bytesPerSecond(int mbps) { return qint64(mbps) * 1024 * 1024; }
};
