#pragma once

#include "core/StringGrid.h"
#include "core/TableFile.h"

#include <QString>

// The settings table (the window's ConfigGrid): names in row 0, values in row 1 of the same column.
// The one setting is "Sounds" in column 0, "Yes" or "No"; the other cells carry nothing.
inline constexpr QStringView SettingsFileName = u"config.dat";

struct SettingsLoad {
    bool soundsOn = true;
    QString error; // TableReadError for the message box, or empty
};

// 10 columns x 12 rows with "Sounds" / "Yes" in column 0.
[[nodiscard]] StringGrid defaultSettingsTable();

// Reads config.dat of the folder into the grid; sounds are on only for exactly "Yes". A missing file
// gives the default table, written at once. A file that cannot be read is left untouched on disk; the
// grid then holds the default table and the result carries the message.
[[nodiscard]] SettingsLoad loadSettingsTable(StringGrid &grid, const QString &folder);

// Puts the setting into cells (0, 0) and (0, 1) and writes the grid with its own dimensions (a 2 x 2
// table stays 2 x 2); a grid too small to hold the setting is grown to 1 x 2 first.
TableFileResult saveSettingsTable(StringGrid &grid, const QString &folder, bool soundsOn);
