// Unpacking a downloaded archive into the game's folder, with the bar in archive bytes.
#include "gui/app/MainForm.h"
#include "platform/FileSystemInfo.h"
#include "platform/ZipExtractor.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <memory>

std::optional<QString> TMainForm::ExtractArchive(const QString &archivePath, qint16 game) {
    const QByteArray folder = GameLibrary::GameFolderPath(game);
    if (folder.isEmpty())
        return QStringLiteral("there is no game %1 to unpack it for").arg(game);
    const ZipListing listing = ZipExtractor::list(archivePath);
    if (!listing.ok)
        return listing.error;

    const qint64 archiveSize = fileLength(archivePath);
    ProgressMax = double(archiveSize);
    ProgressValue = 0;
    UnzipState = ::UnzipProgress(archiveSize, listing.entryCount, listing.folderCount);

    // The files are written on a thread of their own while this one goes on serving the window (the
    // engine tick runs in here, and its finishing dispatch waits, as StepReady is false): a write the
    // disk holds up must not stop the window. The call still returns only when the archive is out.
    const QString target = WorkingPath(QString::fromUtf8(folder));
    QObject reports;
    ZipExtractResult result;
    const std::unique_ptr<QThread> writer(QThread::create([&] {
        result = ZipExtractor::extract(archivePath, target,
                                       [this, &reports](const QByteArray &entryName, quint32 compressedSize,
                                                        quint32 uncompressedSize, qint64 position) {
                                           QMetaObject::invokeMethod(
                                               &reports,
                                               [this, entryName, compressedSize, uncompressedSize, position] {
                                                   UnzipProgress(entryName, compressedSize, uncompressedSize,
                                                                 position);
                                               },
                                               Qt::QueuedConnection);
                                       });
    }));
    QEventLoop loop;
    connect(writer.get(), &QThread::finished, &loop, &QEventLoop::quit);
    writer->start();
    loop.exec();
    writer->wait();
    // Reports posted before the end are all in: the thread's end was posted after them.
    QCoreApplication::sendPostedEvents(&reports, QEvent::MetaCall);

    if (!result.ok)
        return result.error;
    return std::nullopt;
}

void TMainForm::UnzipProgress(const QByteArray &entryName, quint32 compressedSize, quint32 uncompressedSize,
                              qint64 position) {
    UnzipState.Report(entryName, compressedSize, uncompressedSize, position);
    ProgressValue = double(UnzipState.ProgressValue());
    if (UnzipState.Complete())
        JobStep = 3;
}

void TMainForm::InstallTimerTimer() {
    InstallTimer->stop();
    StepReady = true;
}
