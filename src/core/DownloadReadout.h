#pragma once

#include <QByteArray>
#include <QStringView>
#include <optional>

// The download read-out: whole megabytes of 1024 x 1024 bytes, truncated unless said otherwise.

// What the size request fixes for the whole transfer.
struct DownloadSize {
    bool Known = false;          // the server sent a content length
    double DownloadSizeMB = 0;   // whole MB
    qint64 ProgressMax = 0;      // bar maximum in MB
    QByteArray DownloadSizeText; // "Size: (447 MB)"; empty when the length is unknown
};

// contentLength < 0: the server sent none.
[[nodiscard]] DownloadSize MeasureDownload(qint64 contentLength, QStringView decimalSeparator = u".");

// "Downloading:      " + the display name.
[[nodiscard]] QByteArray DownloadTitleLine(const QByteArray &displayName);

// Bytes per millisecond since the request; none while no millisecond has passed.
[[nodiscard]] std::optional<qint64> DownloadSpeed(qint64 readCount, quint32 elapsedMs);

// The read-out after one received block. A figure without a value for this block (no speed yet, a
// speed of 0, no known size, more received than announced) is none, and its line keeps its text.
struct DownloadProgress {
    qint64 ProgressValue = 0;
    QByteArray StatusLine;
    QByteArray SizeLine;
    std::optional<QByteArray> SpeedLine;
    std::optional<QByteArray> RemainLine;
};

[[nodiscard]] DownloadProgress ApplyDownloadProgress(const DownloadSize &size, const QByteArray &titleLine,
                                                     qint64 readCount, std::optional<qint64> speed,
                                                     QStringView decimalSeparator = u".");
