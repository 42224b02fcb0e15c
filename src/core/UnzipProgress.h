#pragma once

#include <QByteArray>

// Extraction progress in archive bytes, fed by the zip extractor's per-chunk reports. Entries begun so
// far count with their compressed size and the current one so that its end falls on its compressed
// end; once the last file is complete the rest of the archive (headers, central directory) is added,
// so the total reaches the archive's size exactly at the end.
class UnzipProgress {
public:
    // entryCount and folderCount as the archive listing gives them (folders report no progress).
    UnzipProgress(qint64 archiveSize, qint64 entryCount, qint64 folderCount);

    void Report(const QByteArray &entryName, quint32 compressedSize, quint32 uncompressedSize,
                qint64 position);

    // The bar value: the largest UnzipDone so far, so the bar never moves back.
    qint64 ProgressValue() const { return m_progressValue; }
    // UnzipDone has reached the archive size: the extraction step is over.
    bool Complete() const { return UnzipDone == UnzipArchiveSize; }

    QByteArray UnzipEntryName;
    qint64 UnzipPackedSum = 0;
    qint64 UnzipArchiveSize = 0;
    qint64 UnzipTailAdjust = 0;
    qint64 UnzipEntryCount = 0;
    qint64 UnzipFilesStarted = 0;
    qint64 UnzipFolderCount = 0;
    qint64 UnzipDone = 0;

private:
    qint64 m_progressValue = 0;
};
