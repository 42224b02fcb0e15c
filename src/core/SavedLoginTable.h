#pragma once

#include "core/StringGrid.h"
#include "core/TableFile.h"

#include <QByteArray>
#include <QString>

// The saved-login table (the window's SettingsGrid): 3 columns x 1 row holding the e-mail address, the
// scrambled password and the save flag, "Y" when a login is saved.
inline constexpr QStringView SavedLoginFileName = u"Quillbarrow.dat";

struct SavedLogin {
    bool saved = false; // the flag cell is exactly "Y"; CheckBoxSave mirrors it
    QString email;
    QString password; // already unscrambled

    // Only a saved login with both fields may log in by itself.
    [[nodiscard]] bool autoLoginArmed() const { return saved && !email.isEmpty() && !password.isEmpty(); }
};

struct SavedLoginLoad {
    SavedLogin login;
    QString error; // TableReadError for the message box, or empty
};

// Two empty cells and "N".
[[nodiscard]] StringGrid defaultSavedLoginTable();

// Reads Quillbarrow.dat of the folder into the grid. A missing file gives the default table, written at
// once. A file that cannot be read is left untouched on disk; the grid then holds the default table and
// the result carries the message.
[[nodiscard]] SavedLoginLoad loadSavedLoginTable(StringGrid &grid, const QString &folder);

// With keep, the granted login goes into the table under "Y"; when no login was granted in this run
// (empty e-mail) the pair saved before stays. Without keep, both cells are emptied under "N" (the
// caller empties its edit boxes and account fields as well). The grid is grown to 3 x 1 if it was
// loaded smaller, so the values always reach the file. Then the grid is written.
TableFileResult saveSavedLoginTable(StringGrid &grid, const QString &folder, bool keep,
                                    const QByteArray &accountEmail, const QByteArray &accountPassword);
