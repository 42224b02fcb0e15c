#pragma once

#include "core/StringGrid.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// The table file: the image of a StringGrid. Little-endian 32-bit column count C and row count R, then
// C x R cells column by column, each a 32-bit count N of UTF-16 code units and the 2 x N bytes of the
// text (UTF-16LE, no terminator). No magic, version or checksum.

// The one message for any failure to read an existing table file (both tables use it).
inline constexpr QStringView TableReadError = u"Can't open config file!";

// The launcher's tables are a few hundred bytes; anything much larger is not one of them and would
// only cost memory, so files above this size are refused as damaged.
inline constexpr qsizetype MaxTableFileBytes = 1024 * 1024;
inline constexpr int MaxTableColumns = 4096;
inline constexpr int MaxTableRows = 4096;

struct TableFileResult {
    bool ok = false;
    QString error;
};

[[nodiscard]] QByteArray encodeTable(const StringGrid &grid);

// Nothing when the bytes are not a whole table: a count or length that does not fit the bytes that
// follow, a negative count, or dimensions above the limits. Bytes after the last cell are ignored.
// Cell texts are cut at their first NUL code unit.
[[nodiscard]] std::optional<StringGrid> decodeTable(QByteArrayView bytes);

// Writes the grid with its current dimensions. The file is replaced only once the new one is complete
// (a temporary file in the same folder, renamed over it), so a failed save keeps the old file.
TableFileResult WriteTableFile(const StringGrid &grid, const QString &fileName);

// On success the grid becomes the file's table. On any failure (missing, not a regular file,
// unreadable, damaged) the result carries TableReadError and the grid is left as it was.
TableFileResult ReadTableFile(StringGrid &grid, const QString &fileName);
