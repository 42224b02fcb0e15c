// The components of the main window, built once by the constructor. Sizes and places are left to the
// layout; pictures come from the skin.
#include "gui/app/MainForm.h"
#include "gui/controls/ClickLabel.h"
#include "gui/controls/MouseDownRelay.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/ProgressBar.h"
#include "gui/controls/Spinner.h"

#include <QCheckBox>
#include <QEasingCurve>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QTimer>

namespace {

template<typename T> T *named(T *widget, QStringView name) {
    widget->setObjectName(name.toString());
    return widget;
}

PictureControl *picture(QWidget *parent, QStringView name) {
    return named(new PictureControl(parent), name);
}

// A picture that acts as a button.
PictureControl *pictureButton(QWidget *parent, QStringView name, const QString &hint = {}) {
    PictureControl *button = picture(parent, name);
    button->setCursor(Qt::PointingHandCursor);
    button->setToolTip(hint);
    return button;
}

QLabel *label(QWidget *parent, QStringView name, const QString &text = {}) {
    return named(new QLabel(text, parent), name);
}

// A text block that wraps, as the card captions do.
QLabel *textBlock(QWidget *parent, QStringView name) {
    QLabel *text = label(parent, name);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return text;
}

QPushButton *speedButton(QWidget *parent, QStringView name, const QString &caption) {
    QPushButton *button = named(new QPushButton(caption, parent), name);
    button->setCursor(Qt::PointingHandCursor);
    // Like the buttons they stand for, they never take the keyboard focus from the edit fields.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QLineEdit *edit(QWidget *parent, QStringView name, int maxLength, const QString &prompt) {
    QLineEdit *line = named(new QLineEdit(parent), name);
    line->setMaxLength(maxLength);
    line->setPlaceholderText(prompt);
    return line;
}

QPlainTextEdit *memo(QWidget *parent, QStringView name) {
    QPlainTextEdit *text = named(new QPlainTextEdit(parent), name);
    text->setReadOnly(true);
    text->setFrameShape(QFrame::NoFrame);
    text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    return text;
}

QTimer *timer(QObject *parent, QStringView name, int interval) {
    auto *t = new QTimer(parent);
    t->setObjectName(name.toString());
    t->setInterval(interval);
    return t;
}

QPropertyAnimation *attentionAnimation(PictureControl *target, QStringView name, const QByteArray &property,
                                       QEasingCurve::Type curve) {
    auto *animation = new QPropertyAnimation(target, property, target);
    animation->setObjectName(name.toString());
    animation->setStartValue(0.8);
    animation->setEndValue(1.2);
    animation->setDuration(400);
    animation->setEasingCurve(curve);
    return animation;
}

constexpr auto WindowStyle = R"(
QLabel { color: #eef2f7; }
QLineEdit {
    color: #eef2f7; background: rgba(8, 12, 20, 210); border: 1px solid #4b5d78; border-radius: 4px;
    selection-background-color: #3d6fb6;
}
QLineEdit:focus { border-color: #7fa6e0; }
QPushButton {
    color: #eef2f7; background: rgba(30, 44, 66, 220); border: 1px solid #4b5d78; border-radius: 5px;
    padding: 0 8px;
}
QPushButton:hover { background: rgba(47, 70, 104, 235); border-color: #7fa6e0; }
QPushButton:pressed { background: rgba(22, 32, 48, 235); }
QPushButton#BtnUpdate { color: #1a1206; background: #f39a1e; border-color: #ffc46b; font-weight: bold; }
QCheckBox { color: #eef2f7; }
QPlainTextEdit { color: #2a2016; background: transparent; }
QPlainTextEdit#ChatAll { color: #f5f5dc; background: transparent; }
QLineEdit#ChatEdit { color: #f5f5dc; }
QLineEdit#SearchEdit { color: #f0ffff; }
QLabel#LabelGlobalSpeed, QLabel#DLText1, QLabel#DLText2, QLabel#DLText3 { color: #7fff00; }
QLabel#LabelPerc { color: #00008b; font-weight: bold; background: transparent; }
)";

} // namespace

void TMainForm::BuildComponents() {
    resize(808, 500);

    Pozadina = picture(this, u"Pozadina");
    BuildStatusBar();
    BuildLogInForm();
    BuildSidePanel();
    BuildContentPanels();
    BuildGameDetail();
    BuildDownloadBar();
    BuildChatPanel();
    BuildTimers();

    // Styled panel by panel, so that the dialogs (children of the window too) keep their own look.
    const QString style = QString::fromLatin1(WindowStyle);
    for (QWidget *panel :
         std::initializer_list<QWidget *>{StatusPanel, LogInForm, PanelInfo, PanelHome, PanelMyGames,
                                          PanelStore, PanelNews, PanelSocial, PanelGames, DLInfo, ChatPanel})
        panel->setStyleSheet(style);

    // The background surfaces: a mouse-down on any of them starts moving the window.
    for (QWidget *surface : std::initializer_list<QWidget *>{
             Pozadina,      ADS,       PanelInfo,  PanelMyGames, MG1Bckg,     MG2Bckg,        InstText01,
             InstText02,    PLText1,   PanelStore, G2Bckg,       G1Bckg,      GameText01,     GameText02,
             PMText1,       ShopText1, PanelGames, StatusPanel,  TXTEMail,    TXTServerState, PanelNews,
             NewsPaperBckg, NewsText1, NewsMemo,   PanelSocial,  SocialText1, LogInForm,      FrameBckg,
             PanelHome,     HomeText1, News})
        m_dragSurfaces->watch(surface);
}

void TMainForm::BuildStatusBar() {
    StatusPanel = picture(this, u"StatusPanel");
    TXTQuillbarrow = named(new ClickLabel(QStringLiteral("Quillbarrow"), StatusPanel), u"TXTQuillbarrow");
    TXTQuillbarrow->setCursor(Qt::PointingHandCursor);
    TXTServerState = label(StatusPanel, u"TXTServerState");
    TXTEMail = label(StatusPanel, u"TXTEMail");
    TXTEMail->hide();
    BtnUpdate = speedButton(StatusPanel, u"BtnUpdate", QStringLiteral("Update"));
    LogOutBtn = pictureButton(StatusPanel, u"LogOutBtn");
    LogOutBtn->hide();
    BtnSettings = pictureButton(StatusPanel, u"BtnSettings", QStringLiteral("Settings"));
    BtnMinimize = pictureButton(StatusPanel, u"BtnMinimize");
    BtnExit = pictureButton(StatusPanel, u"BtnExit");
}

void TMainForm::BuildLogInForm() {
    LogInForm = picture(this, u"LogInForm");
    FrameBckg = picture(LogInForm, u"FrameBckg");
    TextUser = label(LogInForm, u"TextUser", QStringLiteral("E-mail : "));
    EMailEdit = edit(LogInForm, u"EMailEdit", 127, QStringLiteral("   E-mail"));
    EMailEdit->setToolTip(QStringLiteral("E-mail is lower case."));
    TextPass = label(LogInForm, u"TextPass", QStringLiteral("Password : "));
    PasswordEdit = edit(LogInForm, u"PasswordEdit", 127, QStringLiteral("   Password"));
    PasswordEdit->setEchoMode(QLineEdit::Password);
    PasswordEdit->setToolTip(QStringLiteral("Password is case sensitive !"));
    ShowPass = pictureButton(LogInForm, u"ShowPass");
    CheckBoxSave =
        named(new QCheckBox(QStringLiteral("Save E-mail && Password"), LogInForm), u"CheckBoxSave");
    CheckBoxSave->setFocusPolicy(Qt::NoFocus);
    BtnLogIn = speedButton(LogInForm, u"BtnLogIn", QStringLiteral("Log In"));
    BtnForgotPass = speedButton(LogInForm, u"BtnForgotPass", QStringLiteral("Forgot your password?"));
    BtnRegister = speedButton(LogInForm, u"BtnRegister", QStringLiteral("Create QB Games Account"));
}

void TMainForm::BuildSidePanel() {
    PanelInfo = picture(this, u"PanelInfo");
    BtnHome = pictureButton(PanelInfo, u"BtnHome");
    BtnMyGames = pictureButton(PanelInfo, u"BtnMyGames");
    BtnShop = pictureButton(PanelInfo, u"BtnShop");
    BtnNews = pictureButton(PanelInfo, u"BtnNews");
    BtnSocial = pictureButton(PanelInfo, u"BtnSocial");
    BtnDonate = speedButton(PanelInfo, u"BtnDonate", QStringLiteral("Donate"));
    WebQuillbarrow = pictureButton(PanelInfo, u"WebQuillbarrow", QStringLiteral("Visit our web site"));
    StoreAnimX = attentionAnimation(BtnShop, u"StoreAnimX", "scaleX", QEasingCurve::OutElastic);
    StoreAnimY = attentionAnimation(BtnShop, u"StoreAnimY", "scaleY", QEasingCurve::OutBounce);
}

void TMainForm::BuildContentPanels() {
    PanelHome = picture(this, u"PanelHome");
    HomeText1 = picture(PanelHome, u"HomeText1");
    News = picture(PanelHome, u"News");

    PanelMyGames = picture(this, u"PanelMyGames");
    PLText1 = picture(PanelMyGames, u"PLText1");
    BtnLeft = pictureButton(PanelMyGames, u"BtnLeft");
    MG1Bckg = picture(PanelMyGames, u"MG1Bckg");
    MyGameBtn01 = pictureButton(PanelMyGames, u"MyGameBtn01");
    InstText01 = textBlock(PanelMyGames, u"InstText01");
    MG2Bckg = picture(PanelMyGames, u"MG2Bckg");
    MyGameBtn02 = pictureButton(PanelMyGames, u"MyGameBtn02");
    InstText02 = textBlock(PanelMyGames, u"InstText02");
    BtnRight = pictureButton(PanelMyGames, u"BtnRight");

    PanelStore = picture(this, u"PanelStore");
    PMText1 = picture(PanelStore, u"PMText1");
    ShopText1 = label(PanelStore, u"ShopText1", QStringLiteral("0 Games Available In Shop"));
    SearchEdit = edit(PanelStore, u"SearchEdit", 250, QStringLiteral("   Search..."));
    BtnClearSearch = pictureButton(PanelStore, u"BtnClearSearch", QStringLiteral("Clear"));
    BtnClearSearch->setOpacity(0.8);
    BtnLeftShop = pictureButton(PanelStore, u"BtnLeftShop");
    G1Bckg = picture(PanelStore, u"G1Bckg");
    ShopBtn01 = pictureButton(PanelStore, u"ShopBtn01");
    GameText01 = textBlock(PanelStore, u"GameText01");
    G2Bckg = picture(PanelStore, u"G2Bckg");
    ShopBtn02 = pictureButton(PanelStore, u"ShopBtn02");
    GameText02 = textBlock(PanelStore, u"GameText02");
    BtnRightShop = pictureButton(PanelStore, u"BtnRightShop");

    PanelNews = picture(this, u"PanelNews");
    NewsText1 = picture(PanelNews, u"NewsText1");
    NewsPaperBckg = picture(PanelNews, u"NewsPaperBckg");
    NewsMemo = memo(PanelNews, u"NewsMemo");
    NewsMemo->setPlainText(QStringLiteral(
        "12.03.  Whisperwood 1.1 brings the lantern caves and a new ending.\n\n"
        "05.03.  Cinder Vale Online: the spring tournament opens on Saturday.\n\n"
        "27.02.  Chat channels: type /join and a name to meet friends in a room of your own.\n\n"
        "19.02.  Skyline Sprint is now in the shop, free for every account.\n\n"
        "02.02.  Downloads resume faster: the launcher checks the free space before it starts."));

    PanelSocial = picture(this, u"PanelSocial");
    SocialText1 = picture(PanelSocial, u"SocialText1");
    BtnInvite = speedButton(PanelSocial, u"BtnInvite", QStringLiteral("Invite a friend"));
    QRCode = pictureButton(PanelSocial, u"QRCode", QStringLiteral("Visit our web site"));

    ADS = picture(this, u"ADS");
}

void TMainForm::BuildGameDetail() {
    PanelGames = picture(this, u"PanelGames");
    BtnBack = pictureButton(PanelGames, u"BtnBack", QStringLiteral("Back to main Menu"));
    BtnPlay = pictureButton(PanelGames, u"BtnPlay");
    BtnInstall = pictureButton(PanelGames, u"BtnInstall");
    BtnDelete = pictureButton(PanelGames, u"BtnDelete");
}

void TMainForm::BuildDownloadBar() {
    // A child of the window, not of the detail panel, so that it can stay above every panel.
    DLInfo = picture(this, u"DLInfo");
    ProgressBarDownload = named(new ProgressBar(DLInfo), u"ProgressBarDownload");
    LabelPerc = label(ProgressBarDownload, u"LabelPerc", QStringLiteral("100%"));
    LabelGlobalSpeed = label(DLInfo, u"LabelGlobalSpeed", QStringLiteral("Downloading:"));
    DLText1 = label(DLInfo, u"DLText1", QStringLiteral("Size (0MB)        Downloaded: (0 MB)"));
    DLText2 = label(DLInfo, u"DLText2", QStringLiteral("Download speed: 0 MB/s"));
    DLText3 = label(DLInfo, u"DLText3", QStringLiteral("Remain: 0 sec."));
    // Shown with the bar but placed above it, where the install button was; as children of the bar they
    // would be clipped away, so they belong to the window.
    AniInd = named(new Spinner(this), u"AniInd");
    BtnCancel = pictureButton(this, u"BtnCancel");
}

void TMainForm::BuildChatPanel() {
    ChatPanel = picture(this, u"ChatPanel");
    ChatAll = memo(ChatPanel, u"ChatAll");
    ChatAll->setFocusPolicy(Qt::NoFocus);
    ChatEdit = edit(ChatPanel, u"ChatEdit", 250, {});
}

void TMainForm::BuildTimers() {
    EngineTimer = timer(this, u"EngineTimer", 15);
    AppEndTimer = timer(this, u"AppEndTimer", 1500);
    CheckServerTO = timer(this, u"CheckServerTO", 3100);
    LoginTO = timer(this, u"LoginTO", 3100);
    ChatTO = timer(this, u"ChatTO", 2100);
    ChatPanelTimer = timer(this, u"ChatPanelTimer", 4000);
    ADSTimer = timer(this, u"ADSTimer", 10000);
    NewsTimer = timer(this, u"NewsTimer", 5000);
    InstallTimer = timer(this, u"InstallTimer", 1000);
    DeleteTimer = timer(this, u"DeleteTimer", 300);
    // The engine's slots keep their own time; a tick that comes late only shifts them.
    EngineTimer->setTimerType(Qt::PreciseTimer);
    // The end comes 1.5 s after the exit, never earlier: the exit cue plays meanwhile.
    AppEndTimer->setTimerType(Qt::PreciseTimer);
}

void TMainForm::ConnectHandlers() {
    // Queued, so that the tick runs outside the timer's own event: Qt never re-enters a timer from
    // inside its handler, and the extraction serves the event loop from inside a tick; a direct
    // call would hold every further tick until the extraction ends.
    connect(EngineTimer, &QTimer::timeout, this, &TMainForm::EngineTimerTimer, Qt::QueuedConnection);
    connect(AppEndTimer, &QTimer::timeout, this, &TMainForm::AppEndTimerTimer);
    connect(BtnExit, &PictureControl::clicked, this, &TMainForm::BtnExitClick);
    connect(BtnMinimize, &PictureControl::clicked, this, &TMainForm::BtnMinimizeClick);
    connect(BtnHome, &PictureControl::clicked, this, &TMainForm::BtnHomeClick);
    connect(BtnMyGames, &PictureControl::clicked, this, &TMainForm::BtnMyGamesClick);
    connect(BtnShop, &PictureControl::clicked, this, &TMainForm::BtnShopClick);
    connect(BtnNews, &PictureControl::clicked, this, &TMainForm::BtnNewsClick);
    connect(BtnSocial, &PictureControl::clicked, this, &TMainForm::BtnSocialClick);
    connect(BtnLogIn, &QPushButton::clicked, this, &TMainForm::BtnLogInClick);
    connect(TXTQuillbarrow, &ClickLabel::clicked, this, &TMainForm::TXTQuillbarrowClick);
    connect(BtnSettings, &PictureControl::clicked, this, &TMainForm::BtnSettingsClick);
    ConnectOnlineHandlers();
    ConnectLibraryHandlers();
    ConnectInstallHandlers();
    ConnectRemovalHandlers();
}
