#pragma once

#include <QString>

// The two steps a crash-safe file replacement needs beyond Qt: flushing a file or a folder to the
// disk, and renaming a file over an existing one in a single step (QFile::rename refuses to).
struct DurableFileResult {
    bool ok = false;
    QString error;
};

// Waits until the file's data, or a folder's entries, are on the disk.
DurableFileResult syncToDisk(const QString &path);

// Puts `from` in place of `to` in one step: afterwards `to` is either the old file or the new one,
// whatever happens. Both must lie on the same file system; an existing `to` is replaced.
DurableFileResult renameReplacing(const QString &from, const QString &to);
