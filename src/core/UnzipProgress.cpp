#include "core/UnzipProgress.h"

UnzipProgress::UnzipProgress(qint64 archiveSize, qint64 entryCount, qint64 folderCount)
    : UnzipArchiveSize(archiveSize)
    , UnzipEntryCount(entryCount)
    , UnzipFolderCount(folderCount) {}

void UnzipProgress::Report(const QByteArray &entryName, quint32 compressedSize, quint32 uncompressedSize,
                           qint64 position) {
    if (entryName != UnzipEntryName) {
        UnzipEntryName = entryName;
        UnzipPackedSum += compressedSize;
        ++UnzipFilesStarted;
    }
    if (UnzipFilesStarted + UnzipFolderCount == UnzipEntryCount && position == qint64(uncompressedSize))
        UnzipTailAdjust = UnzipArchiveSize - UnzipPackedSum;
    UnzipDone = position + (UnzipPackedSum - qint64(uncompressedSize)) + UnzipTailAdjust;
    if (UnzipDone >= m_progressValue)
        m_progressValue = UnzipDone;
}
