// The keep-alive and status post every 3 s: its reply drives the status bar, the update notice,
// forced log-outs and the announced versions and counts; its watchdog turns silence into "Unavaiable".
#include "core/ServerCheckReply.h"
#include "core/ServerStateView.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "net/FormPostClient.h"

#include <QColor>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

void TMainForm::PostServerCheck() {
    if (!ServerCheckIdle)
        return;
    ServerCheckIdle = false;
    NetCheckServer->Post(QUrl(QString::fromUtf8(CheckUrl)), ServerCheckForm(AccountEmail, LoginId, UserName));
    CheckServerTO->start();
}

void TMainForm::NetCheckServerRequestCompleted(const QByteArray &reply) {
    CheckServerTO->stop();
    const ServerCheckReply parsed = ParseServerCheckReply(reply);
    ServerState = parsed.ServerState;
    // Counts that are not numbers (an error page) keep their values; the handling goes on regardless.
    parsed.ApplyCounts(AdCount, NewsCount);
    if (parsed.LogOutRequested && LoggedIn)
        LogOutBtnClick();
    ParseVersionList(parsed.VersionText);
    ServerCheckIdle = true;
    ShowServerState();
    if (!JobBusy)
        RefreshGameStates();
}

void TMainForm::CheckServerTOTimer() {
    CheckServerTO->stop();
    ServerCheckIdle = true;
    LogOutBtn->hide();
    // Dropped without a log-off post or farewell: the service is not there to hear it.
    LoggedIn = false;
    ServerState = "Error";
    ServerLauncherVersion = "Unknown";
    ShowServerState();
}

void TMainForm::ParseVersionList(const QByteArray &text) {
    ::ParseVersionList(text, ServerLauncherVersion, Library.LatestVersion);
}

void TMainForm::ShowServerState() {
    const ServerStateView view =
        ::ShowServerState(ServerState, LoggedIn, ServerLauncherVersion, LauncherVersion);
    BtnUpdate->hide();
    TXTServerState->setText(view.StateText);
    // The window's style sheet colours every label; a rule of the label's own wins over it. Set only
    // on a change: every check would otherwise restyle the label.
    const QString colour =
        QStringLiteral("color: %1;").arg(QColor::fromRgba(view.StateColour).name(QColor::HexArgb));
    if (TXTServerState->styleSheet() != colour)
        TXTServerState->setStyleSheet(colour);

    if (view.LogOutButton == ServerStateView::Button::Show) {
        LogOutBtn->show();
        TXTEMail->setText(QString::fromUtf8(AccountEmail));
    } else if (view.LogOutButton == ServerStateView::Button::Hide) {
        LogOutBtn->hide();
    }
    if (view.LogOut)
        ShowLoggedOut();
    if (view.ShowLoginPanel) {
        CurrentPanel = 0;
        ShowPanel();
    }
    if (view.VersionLabel)
        VersionLabel = *view.VersionLabel;
    BtnUpdate->setVisible(view.ShowUpdateButton);
    LayoutMain();
}
