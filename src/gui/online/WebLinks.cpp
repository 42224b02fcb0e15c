// The buttons and pictures that open the service's web pages in the user's browser.
#include "gui/app/MainForm.h"

void TMainForm::OpenWebPage(const QByteArray &address) {
    PlayClick();
    // Opening a page never reports an error.
    Dependencies().urlOpener->open(QString::fromUtf8(address));
}

void TMainForm::BtnForgotPassClick() {
    OpenWebPage(Dependencies().serviceBaseUrl.toUtf8() + "/index.php?id=forgot-password");
}

void TMainForm::BtnRegisterClick() {
    OpenWebPage(Dependencies().serviceBaseUrl.toUtf8() + "/index.php?id=register");
}

void TMainForm::BtnInviteClick() {
    if (!LoggedIn) {
        PlayClick();
        PlayError();
        ChatSay("You must Log In first!");
        return;
    }
    // The address goes on as stored, not percent-encoded.
    OpenWebPage(Dependencies().serviceBaseUrl.toUtf8() +
                "/index.php?id=invite-a-friend&user_email=" + AccountEmail);
}

void TMainForm::WebQuillbarrowClick() {
    OpenWebPage(Dependencies().serviceBaseUrl.toUtf8());
}

void TMainForm::BtnDonateClick() {
    OpenWebPage(Dependencies().serviceBaseUrl.toUtf8() + "/index.php?id=donate");
}
