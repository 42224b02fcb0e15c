// Unpacking a downloaded archive into the game's folder, with the bar in archive bytes.
#include "gui/app/MainForm.h"
#include "platform/FileSystemInfo.h"
#include "platform/ZipExtractor.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <memory>

std::optional<QString> TMainForm::ExtractArchive(const QString &archivePath, qint16 game) {
    const QByteArray folder = GameLibrary::GameFolderPath(game);
    if (folder.isEmpty())
        return QStringLiteral("there is no game %1 to unpack it for").arg(game);
    const QString target = WorkingPath(QString::fromUtf8(folder));
    const qint64 archiveSize = fileLength(archivePath);
    ProgressMax = double(archiveSize);
    ProgressValue = 0;

    // The archive is read on a thread of its own: opening it checks every entry's header, and a disk
    // under pressure can hold a write for a long time. The window meanwhile serves its events and its
    // engine tick, and takes the progress reports in their order from its event queue.
    QEventLoop loop;
    QObject reports;
    ZipListing listing;
    ZipExtractResult result;
    const std::unique_ptr<QThread> worker(QThread::create([&] {
        listing = ZipExtractor::list(archivePath);
        if (listing.ok) {
            QMetaObject::invokeMethod(
                &reports, [this, archiveSize, count = listing.entryCount, folders = listing.folderCount] {
                    UnzipState = ::UnzipProgress(archiveSize, count, folders);
                });
            result = ZipExtractor::extract(archivePath, target,
                                           [&](const QByteArray &entryName, quint32 compressedSize,
                                               quint32 uncompressedSize, qint64 position) {
                                               QMetaObject::invokeMethod(&reports, [=, this] {
                                                   UnzipProgress(entryName, compressedSize, uncompressedSize,
                                                                 position);
                                               });
                                           });
        }
        // After every report, so the loop ends once the window has taken them all.
        QMetaObject::invokeMethod(&reports, [&loop] { loop.quit(); });
    }));
    worker->start();
    loop.exec();
    worker->wait();
    if (!listing.ok)
        return listing.error;
    if (!result.ok)
        return result.error;
    return std::nullopt;
}

void TMainForm::UnzipProgress(const QByteArray &entryName, quint32 compressedSize, quint32 uncompressedSize,
                              qint64 position) {
    UnzipState.Report(entryName, compressedSize, uncompressedSize, position);
    ProgressValue = double(UnzipState.ProgressValue());
    // The finishing routine the engine tick calls meanwhile waits: StepReady is false for the whole
    // extraction.
    if (UnzipState.Complete())
        JobStep = 3;
}

void TMainForm::InstallTimerTimer() {
    InstallTimer->stop();
    StepReady = true;
}
