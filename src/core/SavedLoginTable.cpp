#include "core/SavedLoginTable.h"

#include "core/Scramble.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString yes = QStringLiteral("Y");
const QString no = QStringLiteral("N");

QString tablePath(const QString &folder) {
    return QDir(folder).filePath(SavedLoginFileName.toString());
}

// Scrambled text may hold any byte; Latin-1 carries every byte into a cell and back unchanged.
QString scrambledCell(const QByteArray &password) {
    return QString::fromLatin1(ScrambleText(password, ScrambleKey));
}

QString unscrambledCell(const QString &cell) {
    return QString::fromUtf8(UnscrambleText(cell.toLatin1(), ScrambleKey));
}

} // namespace

StringGrid defaultSavedLoginTable() {
    StringGrid grid(3, 1);
    grid.setCell(2, 0, no);
    return grid;
}

SavedLoginLoad loadSavedLoginTable(StringGrid &grid, const QString &folder) {
    SavedLoginLoad result;
    const QString path = tablePath(folder);
    if (!QFileInfo::exists(path)) {
        grid = defaultSavedLoginTable();
        WriteTableFile(grid, path);
    } else if (const TableFileResult read = ReadTableFile(grid, path); !read.ok) {
        grid = defaultSavedLoginTable();
        result.error = read.error;
    }
    if (grid.cell(2, 0) == yes) {
        result.login.saved = true;
        result.login.email = grid.cell(0, 0);
        result.login.password = unscrambledCell(grid.cell(1, 0));
    }
    return result;
}

TableFileResult saveSavedLoginTable(StringGrid &grid, const QString &folder, bool keep,
                                    const QByteArray &accountEmail, const QByteArray &accountPassword) {
    grid.ensureSize(3, 1);
    if (keep) {
        if (!accountEmail.isEmpty()) {
            grid.setCell(0, 0, QString::fromUtf8(accountEmail));
            grid.setCell(1, 0, scrambledCell(accountPassword));
        }
        grid.setCell(2, 0, yes);
    } else {
        grid.setCell(0, 0, QString());
        grid.setCell(1, 0, QString());
        grid.setCell(2, 0, no);
    }
    return WriteTableFile(grid, tablePath(folder));
}
