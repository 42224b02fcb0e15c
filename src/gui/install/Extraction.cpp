// Unpacking a downloaded archive into the game's folder, with the bar in archive bytes.
#include "gui/app/MainForm.h"
#include "platform/FileSystemInfo.h"
#include "platform/ZipExtractor.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

// How long the extraction may keep the window from its events: well inside an engine-tick period.
constexpr qint64 ServeEveryMs = 8;

} // namespace

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
    UnzipServed.start();

    const ZipExtractResult result = ZipExtractor::extract(
        archivePath, WorkingPath(QString::fromUtf8(folder)),
        [this](const QByteArray &entryName, quint32 compressedSize, quint32 uncompressedSize,
               qint64 position) { UnzipProgress(entryName, compressedSize, uncompressedSize, position); });
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
    // The engine tick runs in here and mirrors the bar; the finishing routine it calls waits, as
    // StepReady is false for the whole extraction.
    if (UnzipServed.elapsed() >= ServeEveryMs) {
        QCoreApplication::processEvents();
        UnzipServed.restart();
    }
}

void TMainForm::InstallTimerTimer() {
    InstallTimer->stop();
    StepReady = true;
}
