// The online subsystem's clients, timers and controls.
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "gui/online/HistoryKeyRelay.h"
#include "net/FormPostClient.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

// Response time-outs of the three clients; each watchdog runs 100 ms longer.
constexpr int CheckResponseTimeoutMs = 3000;
constexpr int LoginResponseTimeoutMs = 3000;
constexpr int ChatResponseTimeoutMs = 2000;

} // namespace

void TMainForm::ConnectOnlineHandlers() {
    NetCheckServer = new FormPostClient(CheckResponseTimeoutMs, this);
    NetCheckServer->setObjectName(QStringLiteral("NetCheckServer"));
    NetLogIn = new FormPostClient(LoginResponseTimeoutMs, this);
    NetLogIn->setObjectName(QStringLiteral("NetLogIn"));
    NetHTTPChat = new FormPostClient(ChatResponseTimeoutMs, this);
    NetHTTPChat->setObjectName(QStringLiteral("NetHTTPChat"));

    // The reply's status is not consulted: only its body counts.
    connect(NetCheckServer, &FormPostClient::RequestCompleted, this,
            [this](quint64, int, const QByteArray &body) { NetCheckServerRequestCompleted(body); });
    connect(NetLogIn, &FormPostClient::RequestCompleted, this,
            [this](quint64, int, const QByteArray &body) { NetLogInRequestCompleted(body); });
    connect(NetHTTPChat, &FormPostClient::RequestCompleted, this,
            [this](quint64, int, const QByteArray &body) { NetHTTPChatRequestCompleted(body); });

    connect(CheckServerTO, &QTimer::timeout, this, &TMainForm::CheckServerTOTimer);
    connect(LoginTO, &QTimer::timeout, this, &TMainForm::LoginTOTimer);
    connect(ChatTO, &QTimer::timeout, this, &TMainForm::ChatTOTimer);
    connect(ChatPanelTimer, &QTimer::timeout, this, &TMainForm::ChatPanelTimerTimer);
    connect(ADSTimer, &QTimer::timeout, this, &TMainForm::ADSTimerTimer);
    connect(NewsTimer, &QTimer::timeout, this, &TMainForm::NewsTimerTimer);

    connect(LogOutBtn, &PictureControl::clicked, this, &TMainForm::LogOutBtnClick);
    connect(ShowPass, &PictureControl::clicked, this, &TMainForm::ShowPassClick);
    connect(BtnForgotPass, &QPushButton::clicked, this, &TMainForm::BtnForgotPassClick);
    connect(BtnRegister, &QPushButton::clicked, this, &TMainForm::BtnRegisterClick);
    connect(BtnInvite, &QPushButton::clicked, this, &TMainForm::BtnInviteClick);
    connect(WebQuillbarrow, &PictureControl::clicked, this, &TMainForm::WebQuillbarrowClick);
    connect(QRCode, &PictureControl::clicked, this, &TMainForm::WebQuillbarrowClick);
    connect(BtnDonate, &QPushButton::clicked, this, &TMainForm::BtnDonateClick);

    ChatEdit->installEventFilter(new HistoryKeyRelay([this](int key) { ChatEditKeyDown(key); }, ChatEdit));
}
