#include "core/SettingsTable.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString soundsName = QStringLiteral("Sounds");
const QString yes = QStringLiteral("Yes");
const QString no = QStringLiteral("No");

QString tablePath(const QString &folder) {
    return QDir(folder).filePath(SettingsFileName.toString());
}

} // namespace

StringGrid defaultSettingsTable() {
    StringGrid grid(10, 12);
    grid.setCell(0, 0, soundsName);
    grid.setCell(0, 1, yes);
    return grid;
}

SettingsLoad loadSettingsTable(StringGrid &grid, const QString &folder) {
    SettingsLoad result;
    const QString path = tablePath(folder);
    if (!QFileInfo::exists(path)) {
        grid = defaultSettingsTable();
        WriteTableFile(grid, path);
    } else if (const TableFileResult read = ReadTableFile(grid, path); !read.ok) {
        grid = defaultSettingsTable();
        result.error = read.error;
    }
    result.soundsOn = grid.cell(0, 1) == yes;
    return result;
}

TableFileResult saveSettingsTable(StringGrid &grid, const QString &folder, bool soundsOn) {
    grid.ensureSize(1, 2);
    grid.setCell(0, 0, soundsName);
    grid.setCell(0, 1, soundsOn ? yes : no);
    return WriteTableFile(grid, tablePath(folder));
}
