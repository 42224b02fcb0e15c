// Installing a catalogue game from its archive and updating an installed one from its update
// archive: the two starting actions and the finishing step machine the engine tick drives.
#include "core/GameCatalogue.h"
#include "core/InstallNames.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/ProgressBar.h"
#include "gui/controls/Spinner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>

namespace {

constexpr char NotLoggedIn[] = "You need to LogIn!";
constexpr char NoFreeSpace[] = "You don't have enough free space on this disk drive to install the game !";
constexpr char StillBusy[] = "Please wait until the current job is finished!";

const GameEntry *entryOf(qint16 game) {
    if (game < 0 || std::size_t(game) >= GameCount)
        return nullptr;
    return &GameCatalogue()[std::size_t(game)];
}

QByteArray column(std::string_view text) {
    return QByteArray(text.data(), qsizetype(text.size()));
}

// The download bar as both starting actions show it.
void showDownloadBar(TMainForm &w) {
    w.DLInfo->show();
    w.DLInfo->raise();
    w.JobBusy = true;
    w.ProgressValue = 0;
    w.DownloadIdle = false;
    w.JobStep = 1;
    w.StepReady = false;
    w.ExtractionStop = false;
}

// The read-out lines emptied and shown at once, as every finishing step that announces itself does.
void announce(TMainForm &w, const QByteArray &status) {
    w.StatusLine = status;
    w.LabelGlobalSpeed->setText(QString::fromUtf8(status));
    w.SizeLine.clear();
    w.SpeedLine.clear();
    w.RemainLine.clear();
    w.DLText1->clear();
    w.DLText2->clear();
    w.DLText3->clear();
}

} // namespace

void TMainForm::BtnInstallClick() {
    InstallGame(SelectedGame);
}

void TMainForm::InstallGame(qint16 game) {
    const GameEntry *entry = entryOf(game);
    if (!entry)
        return;
    if (!LoggedIn) {
        PlayError();
        ChatSay(NotLoggedIn);
        return;
    }
    // No file system to ask counts as no space, as an unknown drive does.
    const std::optional<qint64> free =
        m_deps.freeSpace ? m_deps.freeSpace(m_deps.workingFolder) : std::nullopt;
    if (!free || RequiredInstallSpace(game) >= *free) {
        ShowMessageForm(NoFreeSpace);
        return;
    }
    // One job at a time: a second would write over the first one's step counter and Temp. A cancel
    // clears JobBusy while a finishing already under way runs on, hence the pending job too.
    if (JobUnderWay()) {
        PlayError();
        ChatSay(StillBusy);
        return;
    }
    PlayClick();
    NextDownloadPurpose = DownloadPurpose::GameInstall;
    NextDownloadGame = game;
    PrepareDownloadClient();
    showDownloadBar(*this);
    BtnInstall->hide();
    CancelOffered = true;
    BtnCancel->show();
    BtnCancel->raise();
    QDir().mkpath(WorkingPath(QString::fromUtf8(column(TempFolder))));
    StartDownload(column(entry->ArchiveName), DownloadBaseUrl, column(TempFolder), column(entry->Title));
}

void TMainForm::UpdateSelectedGame() {
    UpdateGame(SelectedGame);
}

void TMainForm::UpdateGame(qint16 game) {
    const GameEntry *entry = entryOf(game);
    if (!entry)
        return;
    if (JobUnderWay()) {
        PlayError();
        ChatSay(StillBusy);
        return;
    }
    // The announced version becomes part of a file name and an address: only a plain one will do.
    const std::optional<QByteArray> name = UpdateArchiveName(game, Library.LatestVersion[std::size_t(game)]);
    if (!name) {
        PlayError();
        ChatSay("The service announced no usable version of " + column(entry->Title) + " to update to.");
        return;
    }
    NextDownloadPurpose = DownloadPurpose::GameUpdate;
    NextDownloadGame = game;
    PrepareDownloadClient();
    showDownloadBar(*this);
    QDir().mkpath(WorkingPath(QString::fromUtf8(column(TempFolder))));
    StartDownload(*name, DownloadBaseUrl, column(TempFolder), column(entry->Title));
}

void TMainForm::FinishInstall() {
    FinishGameJob(false);
}

void TMainForm::FinishUpdate() {
    FinishGameJob(true);
}

void TMainForm::FinishGameJob(bool update) {
    if (!StepReady)
        return;
    ++JobStep;
    StepReady = false;
    const qint16 game = DownloadJobGame;
    const GameEntry *entry = entryOf(game);
    const QByteArray title = entry ? column(entry->Title) : QByteArray();

    if (JobStep == 1) {
        announce(*this, (update ? "Updating   " : "Installing:   ") + title + "...");
        CancelOffered = false;
        BtnCancel->hide();
        StepReady = true;
    }
    if (JobStep == 2 && !InstallTimer->isActive()) {
        if (entry && QFile::exists(DownloadJobFile)) {
            const QString target = WorkingPath(QString::fromUtf8(GameLibrary::GameFolderPath(game)));
            const bool targetExisted = QFileInfo::exists(target);
            const std::optional<QString> failure = ExtractArchive(DownloadJobFile, game);
            // Nothing of a failed first installation stays (moving into place can fail part-way).
            if (failure && !targetExisted)
                QDir(target).removeRecursively();
            // The window came to its end while the archive was coming out: nothing more to show.
            if (Exiting())
                return;
            if (failure && ExtractionStop) {
                PlayError();
                ChatSay(update ? "The update of " + title + " was cancelled; the game stays as it was."
                               : "The installation of " + title + " was cancelled; nothing was installed.");
            } else if (failure) {
                PlayError();
                ChatSay((update ? "The update of " : "The installation of ") + title +
                        " failed: " + failure->toUtf8());
            }
            // Also when the extraction never reported the archive's end (no file entries, say).
            JobStep = 3;
        } else {
            StepReady = true;
        }
    }
    if (JobStep == 3)
        StepReady = true;
    if (JobStep == 4) {
        CleanUpTemp();
        StepReady = true;
    }
    if (JobStep == 5) {
        CompleteJob();
        ShowPanel();
        if (!update)
            MyGamesPosition = 1;
        RefreshGameStates();
        FillMyGamesPage();
    }
}

void TMainForm::CompleteJob() {
    ProgressMax = 100;
    ProgressBarDownload->setMaximum(100);
    ProgressValue = 100;
    ProgressBarDownload->setValue(100);
    JobStep = 1;
    PendingJob = 0;
    StepReady = false;
    JobBusy = false;
}
