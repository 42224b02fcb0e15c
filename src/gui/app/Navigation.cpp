// Which panel the window shows: one routine applies CurrentPanel, every navigation goes through it.
#include "core/SkinNames.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/Spinner.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace {

// One row of the visibility table: timers running, items shown.
struct PanelRow {
    quint16 panel;
    bool newsTimer, adsTimer, email, info, home, myGames, store, games, logOut, news, social, ads, logIn;
};

// clang-format off
constexpr std::array<PanelRow, 7> PanelRows{{
    // panel   News   ADS    EMail  Info   Home   MyGms  Store  Games  LogOut News   Social ADS    LogIn
    {0,        false, false, false, false, false, false, false, false, false, false, false, false, true},
    {1,        true,  true,  true,  true,  true,  false, false, false, true,  false, false, true,  false},
    {2,        false, true,  true,  true,  false, true,  false, false, true,  false, false, true,  false},
    {3,        false, true,  true,  true,  false, false, true,  false, true,  false, false, true,  false},
    {4,        false, true,  true,  true,  false, false, false, false, true,  true,  false, true,  false},
    {5,        false, true,  true,  true,  false, false, false, false, true,  false, true,  true,  false},
    {10,       false, true,  true,  true,  false, false, false, true,  true,  false, false, true,  false},
}};
// clang-format on

void run(QTimer *timer, bool on) {
    if (!on)
        timer->stop();
    else if (!timer->isActive())
        timer->start();
}

} // namespace

void TMainForm::ShowPanel() {
    if (std::optional<QString> error = ApplyPanel())
        ShowException(*error);
}

std::optional<QString> TMainForm::ApplyPanel() {
    PlayClick();

    const auto row = std::find_if(PanelRows.begin(), PanelRows.end(),
                                  [this](const PanelRow &r) { return r.panel == CurrentPanel; });
    // No other values occur; an unknown one changes nothing rather than guessing a panel.
    if (row != PanelRows.end()) {
        run(NewsTimer, row->newsTimer);
        run(ADSTimer, row->adsTimer);
        TXTEMail->setVisible(row->email);
        PanelInfo->setVisible(row->info);
        PanelHome->setVisible(row->home);
        PanelMyGames->setVisible(row->myGames);
        PanelStore->setVisible(row->store);
        PanelGames->setVisible(row->games);
        LogOutBtn->setVisible(row->logOut);
        PanelNews->setVisible(row->news);
        PanelSocial->setVisible(row->social);
        ADS->setVisible(row->ads);
        LogInForm->setVisible(row->logIn);
    }

    std::optional<QString> error;
    switch (CurrentPanel) {
    case 0:
        LogInForm->raise();
        EMailEdit->setFocus();
        // With saved credentials armed the password stays hidden.
        ShowPass->setEnabled(!AutoLoginArmed);
        error = LoadPicture(Pozadina, "LogInBckg");
        if (!error) {
            StatusPanel->setFocus();
            EMailEdit->setFocus();
        }
        break;
    case 1:
        PanelHome->raise();
        error = LoadPicture(News,
                            QByteArrayView(NewsPicturePrefix).toByteArray() + QByteArray::number(NewsIndex));
        break;
    case 2:
        RefreshGameStates();
        FillMyGamesPage();
        break;
    case 3:
        FillShopPage();
        break;
    default:
        break;
    }
    if (error)
        return error;

    DLInfo->setVisible(JobBusy);
    if (JobBusy)
        DLInfo->raise();
    return std::nullopt;
}

void TMainForm::BtnHomeClick() {
    CurrentPanel = 1;
    ShowPanel();
}

void TMainForm::BtnMyGamesClick() {
    CurrentPanel = 2;
    ShowPanel();
}

void TMainForm::BtnShopClick() {
    CurrentPanel = 3;
    ShowPanel();
}

void TMainForm::BtnNewsClick() {
    CurrentPanel = 4;
    ShowPanel();
}

void TMainForm::BtnSocialClick() {
    CurrentPanel = 5;
    ShowPanel();
}
