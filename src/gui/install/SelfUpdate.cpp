// The launcher's own update: fetch the setup program into Temp, start it and leave through the exit
// sequence, so that the setup finds the launcher gone and can replace its files.
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "net/SetupSignature.h"
#include "platform/ProcessLauncher.h"

#include <QDir>

namespace {

constexpr char SetupFileName[] = "QuillbarrowSetup.exe";
constexpr char SetupDisplayName[] = "Quillbarrow Install Program";
constexpr char TempFolderName[] = "Temp";

} // namespace

void TMainForm::BtnUpdateClick() {
    PlayClick();
    // A packaged launcher's files belong to the package manager; a setup must not replace them.
    if (!m_deps.portable) {
        PlayError();
        ChatSay("A new Quillbarrow is out: update it with your system's package manager!");
        return;
    }
    // The setup download would share Temp and the job state with the job under way.
    if (JobUnderWay()) {
        PlayError();
        ChatSay("Please wait until the current job is finished!");
        return;
    }
    NextDownloadPurpose = DownloadPurpose::LauncherSetup;
    NextDownloadGame = -1;
    JobBusy = true;
    LayoutGameDetail();
    DLInfo->move(int(width() * 0.5 - DLInfo->width() / 2.0), DLInfo->y());
    DLInfo->show();
    DLInfo->raise();
    ProgressValue = 0;
    DownloadIdle = false;
    JobStep = 1;
    StepReady = false;
    QDir(m_deps.workingFolder).mkpath(QString::fromLatin1(TempFolderName));
    StartDownload(SetupFileName, DownloadBaseUrl, TempFolderName, SetupDisplayName);
}

void TMainForm::FinishSelfUpdate() {
    // The exit sequence stops the engine tick; cleared anyway so that a late tick never starts the
    // setup twice.
    PendingJob = 0;
    ShowJobStatus("Updating Quillbarrow...");
    CancelOffered = false;
    BtnCancel->hide();
    const QString setup = WorkingPath(QStringLiteral("Temp/QuillbarrowSetup.exe"));
    // Only a program signed with the key the launcher was built with is run.
    if (const std::optional<QString> problem = SetupSignature::problem(setup, DownloadJobSignature)) {
        JobBusy = false;
        JobStep = 1;
        StepReady = false;
        PlayError();
        ChatSay(QStringLiteral("The Quillbarrow setup program was not started and has been removed: %1.")
                    .arg(*problem)
                    .toUtf8());
        CleanUpTemp();
        ShowJobStatus("");
        RefreshGameStates();
        DLInfo->hide();
        return;
    }
    // The setup replaces the files of the folder it is started in: the launcher's own.
    if (!startProgram(setup, {}, m_deps.workingFolder)) {
        // Leaving now would leave the player with no launcher and no word why.
        JobBusy = false;
        JobStep = 1;
        StepReady = false;
        PlayError();
        ChatSay("The Quillbarrow setup program could not be started!");
        RefreshGameStates();
        DLInfo->hide();
        return;
    }
    BtnExitClick();
}
