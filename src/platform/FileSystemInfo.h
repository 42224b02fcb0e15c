#pragma once

#include <QString>
#include <optional>

// Bytes an ordinary user may still write on the file system holding the folder. A folder that does
// not exist yet counts for its nearest existing parent. Nothing when no file system answers.
[[nodiscard]] std::optional<qint64> freeBytes(const QString &folder);

// The length of a file in bytes; 0 when it is missing or not a regular file.
[[nodiscard]] qint64 fileLength(const QString &path);
