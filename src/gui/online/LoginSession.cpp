// The login session: the login and log-off posts on one client, the reply table, the granted path,
// and the local log-out.
#include "core/LoginReply.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "net/FormPostClient.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTimer>
#include <QUrl>

void TMainForm::BtnLogInClick() {
    PlayClick();
    if (ServerState != "ON") {
        PlayError();
        ChatSay("Server Is OFFLINE !");
        return;
    }
    if (LauncherVersion != ServerLauncherVersion) {
        PlayError();
        ChatSay("You need to Update Quillbarrow !");
        AutoLoginArmed = false;
        return;
    }
    if (EMailEdit->text().isEmpty() || PasswordEdit->text().isEmpty()) {
        PlayError();
        ChatSay("Please enter your E-mail and Password to Log In !");
        AutoLoginArmed = false;
        return;
    }
    AutoLoginArmed = true;
    ChatAll->clear();
    LoginIdle = true;
    EMailEdit->setText(QLocale().toLower(EMailEdit->text()));
    PostLogin();
}

void TMainForm::PostLogin() {
    if (!LoginIdle)
        return;
    LoginIdle = false;
    NetLogIn->Post(QUrl(QString::fromUtf8(LoginUrl)),
                   LoginForm(EMailEdit->text().toUtf8(), PasswordEdit->text().toUtf8()));
    LoginTO->start();
}

void TMainForm::NetLogInRequestCompleted(const QByteArray &reply) {
    LoginTO->stop();
    LoginIdle = true;
    const LoginReply answer = ClassifyLoginReply(reply);
    if (answer.Refused()) {
        PlayError();
        ChatSay(answer.ChatLine());
        LoggedIn = false;
        AutoLoginArmed = false;
        return;
    }
    if (answer.kind == LoginReply::Kind::LogOffAccepted || answer.kind == LoginReply::Kind::LogOffRefused) {
        ChatSay(answer.ChatLine());
        return;
    }
    if (answer.kind != LoginReply::Kind::Granted)
        return;

    AccountEmail = EMailEdit->text().toUtf8();
    TXTEMail->setText(QString::fromUtf8(AccountEmail));
    LogOutBtn->show();
    LoggedIn = true;
    AutoLoginArmed = true;
    UserName = answer.UserName;
    LoginId = answer.LoginId;
    AccountPassword = PasswordEdit->text().toUtf8();

    ChatAll->clear();
    ChatSay("Welcome " + UserName + ".");
    ChatSay("Type '/?' to display commands.");
    // The next poll slot joins the global channel.
    ChatCommand = "Join!";
    ChatChannel = "Global";
    ChatWhisperTo.clear();
    ChatText.clear();
    ChatSendPending = true;
    ChatIdle = true;

    LogInForm->hide();
    ShopPosition = 1;
    MyGamesPosition = 1;
    CurrentPanel = 1;
    AdIndex = 1;
    NewsIndex = 1;
    // A skin without the picture keeps the old background; the session itself is not at stake.
    if (const std::optional<QString> error = LoadPicture(Pozadina, "UIBckg3"))
        ShowException(*error);

    RefreshGameStates();
    RebuildShopList();
    FillMyGamesPage();
    FillShopPage();
    LayoutChat();
    LayoutMain();
    ShowPanel();
    SetAdPage(AdPageUrl(AdIndex));
}

void TMainForm::LoginTOTimer() {
    LoginTO->stop();
    LoginIdle = true;
    // Only logged: the panel is not shown for it. An armed login is tried again by the engine tick.
    ChatAll->appendPlainText(QStringLiteral("LogIn server time out!"));
}

void TMainForm::LogOutBtnClick() {
    AccountEmail.clear();
    EMailEdit->clear();
    AccountPassword.clear();
    PasswordEdit->clear();
    CheckBoxSave->setChecked(false);
    AutoLoginArmed = false;
    // With the box unchecked this writes blanks: a kept login is discarded.
    SaveSavedLogin();
    ShowLoggedOut();
}

void TMainForm::ShowLoggedOut() {
    if (JobBusy)
        BtnCancelClick();
    else
        PlayClick();
    ChatSay("Bye bye " + UserName + "...");
    PostLogOff();
    if (PasswordEdit->echoMode() != QLineEdit::Password)
        ShowPassClick();
    ChatIdle = false;
    LoggedIn = false;
    CurrentPanel = 0;
    ShowPanel();
}

void TMainForm::PostLogOff() {
    if (!LoginIdle || !LoggedIn)
        return;
    LoginIdle = false;
    // No watchdog: the next login click makes the client idle again.
    NetLogIn->Post(QUrl(QString::fromUtf8(LoginUrl)), LogOffForm(AccountEmail, LoginId));
}

void TMainForm::ShowPassClick() {
    const bool masked = PasswordEdit->echoMode() == QLineEdit::Password;
    PasswordEdit->setEchoMode(masked ? QLineEdit::Normal : QLineEdit::Password);
    if (const std::optional<QString> error = LoadPicture(ShowPass, masked ? "PassShow" : "PassHide"))
        ShowException(*error);
}
