// The window's side of the background download: its client, the start of a transfer, the read-out
// of every received block and the end of the transfer.
#include "core/DownloadReadout.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/Spinner.h"
#include "gui/storage/DownloadSettings.h"
#include "net/DownloadClient.h"

#include <QDir>
#include <QFile>
#include <QLocale>

namespace {

QString decimalSeparator() {
    return QLocale().decimalPoint();
}

// A download that ended without a file to finish: the job state is idle again and the panel shows
// the selected game as it is.
void backToIdle(TMainForm &w) {
    w.DownloadIdle = true;
    w.JobBusy = false;
    w.JobStep = 1;
    w.StepReady = false;
    w.ProgressValue = 0;
    w.StatusLine.clear();
    w.SizeLine.clear();
    w.SpeedLine.clear();
    w.RemainLine.clear();
    w.DLInfo->hide();
    w.RefreshGameStates();
}

} // namespace

void TMainForm::PrepareDownloadClient() {
    if (NetDownload)
        return;
    // A child of the window: deleting it stops a running transfer and waits for its worker.
    NetDownload = new DownloadClient(
        [this](int readCount, int speed, bool &abort) { ApplyDownloadProgress(readCount, speed, abort); },
        [this](const DownloadOutcome &outcome) { DownloadFinished(outcome); }, nullptr, this);
    // A broken transfer being resumed or started over: one line each.
    NetDownload->setNoticeHandler([this](const QString &line) { ChatSay(line.toUtf8()); });
    NetDownload->setSpeedLimit(
        DownloadSettings::bytesPerSecond(DownloadSettings::loadSpeedLimitMBps(m_deps.workingFolder)));
}

void TMainForm::StartDownload(const QByteArray &fileName, const QByteArray &baseUrl, const QByteArray &folder,
                              const QByteArray &displayName) {
    PrepareDownloadClient();
    DownloadJobPurpose = NextDownloadPurpose;
    DownloadJobGame = NextDownloadPurpose == DownloadPurpose::LauncherSetup ? qint16(-1) : NextDownloadGame;

    DownloadRequest request;
    request.FileName = fileName;
    request.BaseUrl = baseUrl;
    request.Folder = QFile::encodeName(WorkingPath(QString::fromUtf8(folder)));
    request.DisplayName = displayName;
    request.Purpose = DownloadJobPurpose;
    request.GameIndex = DownloadJobGame;
    DownloadJobFile = request.path();
    QDir().mkpath(QFile::decodeName(request.Folder));

    // The lines of an earlier job must not stand for this one until its first block arrives.
    SpeedLine.clear();
    RemainLine.clear();
    const DownloadStart start = NetDownload->StartDownload(request);
    if (!start.Started) {
        PlayError();
        ChatSay(start.Message.toUtf8());
        backToIdle(*this);
        return;
    }
    DownloadSizeInfo = MeasureDownload(start.ContentLength, decimalSeparator());
    ProgressMax = double(DownloadSizeInfo.ProgressMax);
    ProgressValue = 0;
    DownloadTitleText = DownloadTitleLine(displayName);
}

void TMainForm::StopDownload() {
    if (DownloadIdle)
        return;
    DownloadIdle = true;
    // The transfer ends as stopped at once or with its next block; its partial file is removed.
    if (NetDownload)
        NetDownload->Cancel();
}

void TMainForm::ApplyDownloadProgress(int readCount, int speed, bool &abort) {
    abort = DownloadIdle;
    if (abort)
        return;
    // A speed of 0 is what the client reports before a millisecond has passed: no figure then.
    const std::optional<qint64> knownSpeed = speed > 0 ? std::optional<qint64>(speed) : std::nullopt;
    const DownloadProgress progress = ::ApplyDownloadProgress(DownloadSizeInfo, DownloadTitleText, readCount,
                                                              knownSpeed, decimalSeparator());
    ProgressValue = double(progress.ProgressValue);
    StatusLine = progress.StatusLine;
    SizeLine = progress.SizeLine;
    if (progress.SpeedLine)
        SpeedLine = *progress.SpeedLine;
    if (progress.RemainLine)
        RemainLine = *progress.RemainLine;
}

void TMainForm::DownloadFinished(const DownloadOutcome &outcome) {
    // Already idle: Cancel or the close clean-up stopped this download, and they clean up after it.
    const bool stopped = DownloadIdle;
    DownloadIdle = true;
    if (stopped || outcome.Result == DownloadOutcome::Kind::Stopped)
        return;

    switch (outcome.Result) {
    case DownloadOutcome::Kind::Completed:
        DownloadJobPurpose = outcome.Purpose;
        DownloadJobGame = qint16(outcome.GameIndex);
        DownloadJobFile = outcome.FilePath;
        DownloadJobSignature = outcome.Signature;
        StepReady = true;
        JobStep = 0;
        PendingJob = 1;
        return;
    case DownloadOutcome::Kind::Restart:
        JobBusy = false;
        ChatSay(outcome.Message.toUtf8());
        switch (outcome.Purpose) {
        case DownloadPurpose::GameInstall:
            InstallGame(qint16(outcome.GameIndex));
            break;
        case DownloadPurpose::GameUpdate:
            UpdateGame(qint16(outcome.GameIndex));
            break;
        case DownloadPurpose::LauncherSetup:
            BtnUpdateClick();
            break;
        }
        // The action refused to start again (logged out meanwhile, say).
        if (DownloadIdle)
            backToIdle(*this);
        return;
    case DownloadOutcome::Kind::Failed:
        PlayError();
        ChatSay(outcome.Message.toUtf8());
        backToIdle(*this);
        return;
    case DownloadOutcome::Kind::Stopped:
        return;
    }
}
