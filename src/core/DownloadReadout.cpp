#include "core/DownloadReadout.h"

#include "core/FloatText.h"

#include <cmath>

namespace {

constexpr qint64 megabyte = 1024 * 1024;

QByteArray decimal(double value, QStringView separator) {
    return FloatToStr(value, separator).toUtf8();
}

} // namespace

DownloadSize MeasureDownload(qint64 contentLength, QStringView decimalSeparator) {
    DownloadSize size;
    if (contentLength < 0)
        return size;
    size.Known = true;
    size.ProgressMax = contentLength / megabyte;
    size.DownloadSizeMB = double(size.ProgressMax);
    size.DownloadSizeText = "Size: (" + decimal(size.DownloadSizeMB, decimalSeparator) + " MB)";
    return size;
}

QByteArray DownloadTitleLine(const QByteArray &displayName) {
    return "Downloading:      " + displayName;
}

std::optional<qint64> DownloadSpeed(qint64 readCount, quint32 elapsedMs) {
    if (elapsedMs == 0)
        return std::nullopt;
    return readCount / qint64(elapsedMs);
}

DownloadProgress ApplyDownloadProgress(const DownloadSize &size, const QByteArray &titleLine,
                                       qint64 readCount, std::optional<qint64> speed,
                                       QStringView decimalSeparator) {
    DownloadProgress progress;
    progress.ProgressValue = readCount / megabyte;
    progress.StatusLine = titleLine;

    // The downloaded amount is raised to the next tenth of a MB.
    const double tenths = double(readCount) * 10 / 1024 / 1024;
    const QByteArray downloaded =
        "Downloaded: (" + decimal(std::ceil(tenths) / 10, decimalSeparator) + " MB)";
    progress.SizeLine = size.Known ? size.DownloadSizeText + "       " + downloaded : downloaded;

    if (!speed || *speed < 0)
        return progress;
    const double mbps = double((*speed * 100) / 1024) / 100;
    progress.SpeedLine = "Download speed: " + decimal(mbps, decimalSeparator) + " MB/s";

    const double remainingMB = std::trunc(size.DownloadSizeMB - double(progress.ProgressValue));
    if (*speed == 0 || !size.Known || remainingMB < 0)
        return progress;
    const auto secondsLeft = qint64(std::trunc(remainingMB / (double(*speed) / 1024.0)));
    const qint64 seconds = secondsLeft % 60;
    progress.RemainLine = "Remain: " + decimal(double(secondsLeft / 60), decimalSeparator) + ":" +
                          (seconds < 10 ? "0" : "") + QByteArray::number(seconds) + " min.";
    return progress;
}
