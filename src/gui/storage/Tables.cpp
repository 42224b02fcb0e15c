// The saved-login and settings tables of the window: the grids are the working copies, the files in
// the launcher's folder their images.
#include "core/SavedLoginTable.h"
#include "core/SettingsTable.h"
#include "gui/app/MainForm.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace {

// A write cut short (a killed launcher) leaves its temporary copy beside the table: "<table>.XXXXXX".
void removeCutWrites(const QString &folder, QStringView table) {
    const QDir dir(folder);
    for (const QString &name : dir.entryList({table.toString() + u".??????"_s}, QDir::Files | QDir::Hidden))
        QFile::remove(dir.filePath(name));
}

} // namespace

void TMainForm::LoadSavedLogin() {
    removeCutWrites(Dependencies().workingFolder, SavedLoginFileName);
    const SavedLoginLoad load = loadSavedLoginTable(SettingsGrid, Dependencies().workingFolder);
    if (!load.error.isEmpty())
        ShowMessage(QMessageBox::Warning, load.error);
    CheckBoxSave->setChecked(load.login.saved);
    EMailEdit->setText(load.login.email);
    PasswordEdit->setText(load.login.password);
    AutoLoginArmed = load.login.autoLoginArmed();
}

void TMainForm::SaveSavedLogin() {
    const bool keep = CheckBoxSave->isChecked();
    if (!keep) {
        AccountEmail.clear();
        AccountPassword.clear();
        EMailEdit->clear();
        PasswordEdit->clear();
    }
    // A failed write (a full disk) keeps the file as it was; the player learns why the login is not
    // kept.
    const TableFileResult saved =
        saveSavedLoginTable(SettingsGrid, Dependencies().workingFolder, keep, AccountEmail, AccountPassword);
    if (!saved.ok)
        ChatSay("Your login could not be saved: " + saved.error.toUtf8());
}

void TMainForm::LoadSettings() {
    removeCutWrites(Dependencies().workingFolder, SettingsFileName);
    const SettingsLoad load = loadSettingsTable(ConfigGrid, Dependencies().workingFolder);
    if (!load.error.isEmpty())
        ShowMessage(QMessageBox::Warning, load.error);
    SoundsOn = load.soundsOn;
}

void TMainForm::SaveSettings() {
    const TableFileResult saved = saveSettingsTable(ConfigGrid, Dependencies().workingFolder, SoundsOn);
    if (!saved.ok)
        ChatSay("Your settings could not be saved: " + saved.error.toUtf8());
}
