// Unpacking a downloaded archive into the game's folder, with the bar in archive bytes.
#include "gui/app/MainForm.h"
#include "platform/FileSystemInfo.h"
#include "platform/FolderMerge.h"
#include "platform/ZipExtractor.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <memory>

std::optional<QString> TMainForm::ExtractArchive(const QString &archivePath, qint16 game) {
    const QByteArray folder = GameLibrary::GameFolderPath(game);
    if (folder.isEmpty())
        return QStringLiteral("there is no game %1 to unpack it for").arg(game);
    const qint64 archiveSize = fileLength(archivePath);
    ProgressMax = double(archiveSize);
    ProgressValue = 0;

    // All the disk work (reading the listing, writing the files, removing the archive) is done on a
    // thread of its own while this one goes on serving the window: the engine tick runs in here, and
    // its finishing dispatch waits, as StepReady is false. A write the disk holds up must not stop
    // the window. The call still returns only when the archive is out.
    //
    // The archive is unpacked beside it in Temp first and put in place of the game's folder in one
    // step only when all of it came out: a damaged archive, a full disk or a killed launcher leaves
    // the game as it was, not half old and half new. The clean-up removes the old version.
    const QString target = WorkingPath(QString::fromUtf8(folder));
    const QString staging = QFileInfo(archivePath).dir().filePath(QStringLiteral(".unpacked"));
    const QString scratch = QFileInfo(archivePath).dir().filePath(QStringLiteral(".previous"));
    QObject reports;
    ZipExtractResult result;
    const auto report = [this, &reports](auto &&apply) {
        QMetaObject::invokeMethod(&reports, std::forward<decltype(apply)>(apply), Qt::QueuedConnection);
    };
    const std::unique_ptr<QThread> writer(QThread::create([&] {
        // Left by a launcher that did not get to its clean-up.
        QDir(staging).removeRecursively();
        QDir(scratch).removeRecursively();
        const ZipListing listing = ZipExtractor::list(archivePath);
        if (!listing.ok) {
            result.error = listing.error;
        } else {
            report([this, archiveSize, listing] {
                UnzipState = ::UnzipProgress(archiveSize, listing.entryCount, listing.folderCount);
            });
            result = ZipExtractor::extract(
                archivePath, staging,
                [&report, this](const QByteArray &entryName, quint32 compressedSize, quint32 uncompressedSize,
                                qint64 position) {
                    report([this, entryName, compressedSize, uncompressedSize, position] {
                        UnzipProgress(entryName, compressedSize, uncompressedSize, position);
                    });
                },
                &ExtractionStop);
        }
        // Done with, whatever came of it; the clean-up removes the folder it lay in.
        QFile::remove(archivePath);
        if (result.ok) {
            const FolderMergeResult moved = FolderMerge::replaceWhole(staging, target, scratch);
            if (!moved.ok) {
                result.ok = false;
                result.error = moved.error;
            }
        }
        QDir(staging).removeRecursively();
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
