#include "TimedDownload.h"

#include "net/DownloadClient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>

TimedDownload timeDownload(const QByteArray &base, const QByteArray &file, const QString &folder,
                           qint64 expectedBytes, const std::function<void()> &onBlock) {
    TimedDownload timed;
    QEventLoop loop;
    DownloadOutcome result;
    DownloadClient client(
        [&](int, int, bool &) {
            ++timed.blocks;
            if (onBlock)
                onBlock();
        },
        [&](const DownloadOutcome &outcome) {
            result = outcome;
            loop.quit();
        });
    QElapsedTimer clock;
    clock.start();
    const DownloadStart start =
        client.StartDownload({file, base, folder.toUtf8(), file, DownloadPurpose::GameInstall, 0});
    timed.sizeRequestMs = clock.elapsed();
    if (!start.Started) {
        timed.error = start.Message;
        return timed;
    }
    loop.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const qint64 written = QFileInfo(QDir(folder).filePath(QString::fromUtf8(file))).size();
    if (result.Result != DownloadOutcome::Kind::Completed || written != expectedBytes) {
        timed.error = QStringLiteral("the download did not complete: %1 (%2 of %3 bytes)")
                          .arg(result.Message)
                          .arg(written)
                          .arg(expectedBytes);
        return timed;
    }
    timed.seconds = seconds;
    return timed;
}
