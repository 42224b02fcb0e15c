#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>

// Called while an entry is written: the entry's name as stored in the archive, the compressed and
// uncompressed sizes as the entry header gives them (low 32 bits), and the bytes of the entry written so
// far. Every file or link entry reports position 0 when it starts, then after each written chunk; the
// report with position = uncompressed size comes only once the entry's data has passed its CRC check and
// the file is in place. Folder entries report nothing. The callback may serve the event loop, even start
// another extraction; nothing of a running extraction lives outside its own call.
using ZipProgress = std::function<void(const QByteArray &entryName, quint32 compressedSize,
                                       quint32 uncompressedSize, qint64 position)>;

struct ZipListing {
    bool ok = false;
    QString error;
    qint64 entryCount = 0;
    qint64 folderCount = 0; // entries whose name ends in a '/' (or a '\')
};

struct ZipExtractResult {
    bool ok = false;
    QString error;
    qint64 bytesWritten = 0; // file and link data
    qint64 filesWritten = 0; // file and link entries
};

// Zip archives through libzip: counting entries and extracting a whole archive into a folder.
//
// Entry names use '/' or '\' as separators. A name that is absolute ("/x", "C:x"), that holds a ".."
// part, that is empty, that appears twice, or that names a file where another entry needs a folder is
// refused, and so is a link whose target is absolute or leaves the target folder. All names, link targets
// and the folders already on disk are checked before anything is written, so a refused entry means that
// nothing at all was extracted. An existing folder of the target that is a link to somewhere outside it
// is refused the same way; it is checked again as each entry is written.
//
// Files are written under a temporary name in their folder and renamed over the old file only when
// complete, so a failure (damaged data, CRC error, full disk) never leaves a partial file in place of a
// good one; entries extracted before a failure stay. Files of the target that are not in the archive
// stay. Unix permission bits of the archive are restored without setuid, setgid and sticky bits (0644
// when the archive has none); folders get the default mode. A crash of the process can leave a
// ".qbx-" temporary file behind. A set stop flag ends the extraction between two chunks as a failure
// ("stopped"); the entry being written is dropped like a damaged one.
class ZipExtractor {
public:
    static ZipListing list(const QString &archivePath);
    static ZipExtractResult extract(const QString &archivePath, const QString &targetFolder,
                                    const ZipProgress &progress, const std::atomic_bool *stop = nullptr);
};
