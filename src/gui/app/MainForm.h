#pragma once

#include "core/DownloadReadout.h"
#include "core/GameLibrary.h"
#include "core/StringGrid.h"
#include "core/UnzipProgress.h"
#include "gui/app/MainFormDependencies.h"
#include "net/DownloadRequest.h"
#include "platform/ResourceBundle.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <atomic>
#include <memory>
#include <optional>

class AdView;
class ClickLabel;
class DownloadClient;
struct DownloadOutcome;
class FormPostClient;
class MouseDownRelay;
class PictureControl;
class ProgressBar;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPropertyAnimation;
class QPushButton;
class QTimer;
class QUrl;
class Spinner;
class TAbout;
class TConfig;
class TMessageForm;

// One of the engine tick's periodic jobs: due when at least `period` ms passed since `lastRun`.
struct EngineSlot {
    quint32 period = 0;
    quint32 lastRun = 0;
};

// The launcher's one window and the owner of all its state. Its operations keep the names the other
// parts of the launcher call them by; they are defined in one source per subsystem folder (app/,
// storage/, library/, install/, online/) and all run on the UI thread.
class TMainForm : public QWidget {
    Q_OBJECT

public:
    explicit TMainForm(MainFormDependencies dependencies, QWidget *parent = nullptr);
    ~TMainForm() override;

    // ---- life cycle (app/)
    // Brings the launcher up; on failure the message of what stopped it, for the error box.
    [[nodiscard]] std::optional<QString> FormCreate();
    void FormActivate();
    void FormClose();
    void EngineTimerTimer();
    void BtnExitClick();
    void AppEndTimerTimer();
    void BtnMinimizeClick();
    void StatusPanelMouseDown();
    void FormKeyDown(int key, Qt::KeyboardModifiers shift);
    // True once the exit sequence has run; the window then only waits for the final shutdown.
    [[nodiscard]] bool Exiting() const { return m_exiting; }

    // ---- navigation (app/Navigation.cpp)
    void ShowPanel();
    // ShowPanel without its error display; start-up stops on the error instead.
    [[nodiscard]] std::optional<QString> ApplyPanel();
    void BtnHomeClick();
    void BtnMyGamesClick();
    void BtnShopClick();
    void BtnNewsClick();
    void BtnSocialClick();

    // ---- skin and sounds (app/Skin.cpp)
    [[nodiscard]] std::optional<QString> LoadSkin();
    // Puts the named picture of the picture bundle into the control; the error text when it has none.
    [[nodiscard]] std::optional<QString> LoadPicture(PictureControl *target, QByteArrayView resource);
    void PlayClick();
    void PlayBack();
    void PlayExit();
    void PlayMessage();
    void PlayWhisper();
    void PlayError();
    void PlayStore();

    // ---- layout (app/Layout.cpp)
    void LayoutMain();
    void LayoutGameDetail();
    void LayoutChat();
    // The font units of the current window width, set by the main layout; the dialogs use them too.
    float LargeFontSize = 0;
    float BaseFontSize = 0;
    float SmallFontSize = 0;

    // ---- tables (storage/)
    void LoadSavedLogin();
    void SaveSavedLogin();
    void LoadSettings();
    void SaveSettings();

    // ---- catalogue and library (library/)
    void RefreshGameStates();
    void RebuildShopList();
    void FillShopPage();
    void FillMyGamesPage();
    // library: further operations
    // Puts the picture of the catalogue entry into the detail panel; the error text when the bundle lacks it.
    [[nodiscard]] std::optional<QString> LoadGamePanelImage(qint16 index);
    void BtnLeftShopClick();
    void BtnRightShopClick();
    // delta > 0: wheel turned away from the user.
    void PanelStoreMouseWheel(int delta);
    void ShopBtn01Click();
    void ShopBtn02Click();
    void BtnBackClick();
    // The common steps of every card that opens a game: selection, picture, buttons, navigation.
    void OpenGameDetail(qint16 game);
    void BtnLeftClick();
    void BtnRightClick();
    void PanelMyGamesMouseWheel(int delta);
    void MyGameBtn01Click();
    void MyGameBtn02Click();
    void SearchEditKeyUp();
    void BtnClearSearchClick();
    // Ends a search: the field emptied and every listed game shown from the first pair.
    void ShowWholeShop();
    // One grow-and-shrink pulse of BtnShop, unless one is playing.
    void PulseStoreButton();
    void StoreAnimXFinish();
    void StoreAnimYFinish();

    // ---- downloads, installation and update (install/Download*, install/Installation*)
    // Client preparation and the start of a transfer into folder/fileName, shown as displayName.
    // What the file is for is stated by the caller just before the call, in NextDownloadPurpose and
    // NextDownloadGame (install state below); StartDownload fixes both for this download, and its
    // finishing and any restart follow them, whatever is selected meanwhile. A download that cannot
    // start says why in the chat and leaves the job idle.
    void StartDownload(const QByteArray &fileName, const QByteArray &baseUrl, const QByteArray &folder,
                       const QByteArray &displayName);
    // Stops and releases the running download without finishing it; DownloadIdle becomes true.
    void StopDownload();
    void BtnInstallClick();
    // The update mode of BtnPlayClick: downloads the selected game's update archive.
    void UpdateSelectedGame();
    void FinishInstall();
    void FinishUpdate();
    // install: further operations
    // The last step of every job: the bar full (100 of 100) and the job state back to idle.
    void CompleteJob();
    // Makes the window's download client the first time; it then serves every download.
    void PrepareDownloadClient();
    // BtnInstallClick and UpdateSelectedGame for a given game: a restart uses the download's own.
    void InstallGame(qint16 game);
    void UpdateGame(qint16 game);
    // The UI side of a received block; abort answers whether the transfer is to stop.
    void ApplyDownloadProgress(int readCount, int speed, bool &abort);
    // The UI side of a download's end: arms the finishing, restarts, or reports the failure.
    void DownloadFinished(const DownloadOutcome &outcome);
    // FinishInstall and FinishUpdate: one step per call, for the game fixed when the download started.
    void FinishGameJob(bool update);
    // Unpacks the archive into Games/<folder of game> and removes it; the reason when it failed.
    [[nodiscard]] std::optional<QString> ExtractArchive(const QString &archivePath, qint16 game);
    // Per written chunk of the extraction, on the UI thread: the bar in archive bytes.
    void UnzipProgress(const QByteArray &entryName, quint32 compressedSize, quint32 uncompressedSize,
                       qint64 position);
    void InstallTimerTimer();

    // ---- launch, removal, clean-up and self-update (install/Launch*, Removal*, SelfUpdate*)
    void BtnPlayClick();
    void BtnDeleteClick();
    void BtnCancelClick();
    void BtnUpdateClick();
    void FinishRemoval();
    void FinishSelfUpdate();
    void CleanUpTemp();
    void CleanUpOnClose();
    // removal: further operations
    void DeleteTimerTimer();
    // The one-job guard: true while a job runs. A cancel's clean-up still pending is done first, so
    // that it cannot take the Temp folder and the bar of the job about to start.
    [[nodiscard]] bool JobUnderWay();
    // Puts the status line into the bar at once and empties the three read-out lines with it.
    void ShowJobStatus(const QByteArray &status);

    // ---- online services (online/)
    void PostServerCheck();
    void BtnLogInClick();
    void PostLogOff();
    void PostChat();
    void ChatSay(const QByteArray &line);
    void HandleChatInput();
    // Shows the page in the ad frame, making the web view the first time.
    void SetAdPage(const QUrl &address);
    // online: further operations
    // server check (online/ServerCheck.cpp)
    void NetCheckServerRequestCompleted(const QByteArray &reply);
    void CheckServerTOTimer();
    void ParseVersionList(const QByteArray &text);
    void ShowServerState();
    // login session (online/LoginSession.cpp)
    void PostLogin();
    void NetLogInRequestCompleted(const QByteArray &reply);
    void LoginTOTimer();
    void LogOutBtnClick();
    void ShowLoggedOut();
    void ShowPassClick();
    // chat (online/Chat.cpp)
    void NetHTTPChatRequestCompleted(const QByteArray &reply);
    void ChatTOTimer();
    void ChatPanelTimerTimer();
    void ChatEditKeyDown(int key);
    // ads, news and links (online/AdsFrame.cpp, online/WebLinks.cpp)
    void ADSTimerTimer();
    // The service's ad page of that number.
    [[nodiscard]] QUrl AdPageUrl(quint32 page) const;
    void NewsTimerTimer();
    void BtnForgotPassClick();
    void BtnRegisterClick();
    void BtnInviteClick();
    void WebQuillbarrowClick();
    void BtnDonateClick();
    void OpenWebPage(const QByteArray &address);

    // ---- dialogs (dialogs/DialogOpeners.cpp); each does nothing before the dialogs exist
    void TXTQuillbarrowClick();
    void BtnSettingsClick();
    // Stores the text in MessageText, sounds the error cue and shows the message dialog modally.
    void ShowMessageForm(const QByteArray &text);

    // The standard display of an error that ended a handler.
    void ShowException(const QString &message);
    QMessageBox::StandardButton ShowMessage(QMessageBox::Icon icon, const QString &text,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok);

    [[nodiscard]] const MainFormDependencies &Dependencies() const { return m_deps; }
    // Absolute path of a file or folder named relative to the launcher's working folder.
    [[nodiscard]] QString WorkingPath(QStringView relative) const;
    // The same relative to the folder of the executable and its bundles.
    [[nodiscard]] QString ProgramPath(QStringView relative) const;

    // ---- the dialogs, created after this window (LauncherForms)
    TAbout *About = nullptr;
    TConfig *Config = nullptr;
    TMessageForm *MessageForm = nullptr;
    // What the message dialog shows; its caller stores it before opening it.
    QByteArray MessageText;

    // ---- components: status bar
    PictureControl *Pozadina = nullptr;
    PictureControl *StatusPanel = nullptr;
    ClickLabel *TXTQuillbarrow = nullptr;
    QLabel *TXTServerState = nullptr;
    QLabel *TXTEMail = nullptr;
    QPushButton *BtnUpdate = nullptr;
    PictureControl *LogOutBtn = nullptr;
    PictureControl *BtnSettings = nullptr;
    PictureControl *BtnMinimize = nullptr;
    PictureControl *BtnExit = nullptr;

    // login form
    PictureControl *LogInForm = nullptr;
    PictureControl *FrameBckg = nullptr;
    QLabel *TextUser = nullptr;
    QLineEdit *EMailEdit = nullptr;
    QLabel *TextPass = nullptr;
    QLineEdit *PasswordEdit = nullptr;
    PictureControl *ShowPass = nullptr;
    QCheckBox *CheckBoxSave = nullptr;
    QPushButton *BtnLogIn = nullptr;
    QPushButton *BtnForgotPass = nullptr;
    QPushButton *BtnRegister = nullptr;

    // side panel
    PictureControl *PanelInfo = nullptr;
    PictureControl *BtnHome = nullptr;
    PictureControl *BtnMyGames = nullptr;
    PictureControl *BtnShop = nullptr;
    PictureControl *BtnNews = nullptr;
    PictureControl *BtnSocial = nullptr;
    QPushButton *BtnDonate = nullptr;
    PictureControl *WebQuillbarrow = nullptr;
    QPropertyAnimation *StoreAnimX = nullptr;
    QPropertyAnimation *StoreAnimY = nullptr;

    // home
    PictureControl *PanelHome = nullptr;
    PictureControl *HomeText1 = nullptr;
    PictureControl *News = nullptr;

    // My Games
    PictureControl *PanelMyGames = nullptr;
    PictureControl *PLText1 = nullptr;
    PictureControl *BtnLeft = nullptr;
    PictureControl *MG1Bckg = nullptr;
    PictureControl *MyGameBtn01 = nullptr;
    QLabel *InstText01 = nullptr;
    PictureControl *MG2Bckg = nullptr;
    PictureControl *MyGameBtn02 = nullptr;
    QLabel *InstText02 = nullptr;
    PictureControl *BtnRight = nullptr;

    // shop
    PictureControl *PanelStore = nullptr;
    PictureControl *PMText1 = nullptr;
    QLabel *ShopText1 = nullptr;
    QLineEdit *SearchEdit = nullptr;
    PictureControl *BtnClearSearch = nullptr;
    PictureControl *BtnLeftShop = nullptr;
    PictureControl *G1Bckg = nullptr;
    PictureControl *ShopBtn01 = nullptr;
    QLabel *GameText01 = nullptr;
    PictureControl *G2Bckg = nullptr;
    PictureControl *ShopBtn02 = nullptr;
    QLabel *GameText02 = nullptr;
    PictureControl *BtnRightShop = nullptr;

    // news and social
    PictureControl *PanelNews = nullptr;
    PictureControl *NewsText1 = nullptr;
    PictureControl *NewsPaperBckg = nullptr;
    QPlainTextEdit *NewsMemo = nullptr;
    PictureControl *PanelSocial = nullptr;
    PictureControl *SocialText1 = nullptr;
    QPushButton *BtnInvite = nullptr;
    PictureControl *QRCode = nullptr;

    // ad frame; the web view exists once the first page was set, AdBrowser with it
    PictureControl *ADS = nullptr;
    QPointer<QWidget> ADSBrowser;
    AdView *AdBrowser = nullptr;

    // game detail
    PictureControl *PanelGames = nullptr;
    PictureControl *BtnBack = nullptr;
    PictureControl *BtnPlay = nullptr;
    PictureControl *BtnInstall = nullptr;
    PictureControl *BtnDelete = nullptr;

    // download bar
    PictureControl *DLInfo = nullptr;
    ProgressBar *ProgressBarDownload = nullptr;
    QLabel *LabelPerc = nullptr;
    QLabel *LabelGlobalSpeed = nullptr;
    QLabel *DLText1 = nullptr;
    QLabel *DLText2 = nullptr;
    QLabel *DLText3 = nullptr;
    Spinner *AniInd = nullptr;
    PictureControl *BtnCancel = nullptr;

    // chat
    PictureControl *ChatPanel = nullptr;
    QPlainTextEdit *ChatAll = nullptr;
    QLineEdit *ChatEdit = nullptr;

    // timers, all stopped until something starts them
    QTimer *EngineTimer = nullptr;
    QTimer *AppEndTimer = nullptr;
    QTimer *CheckServerTO = nullptr;
    QTimer *LoginTO = nullptr;
    QTimer *ChatTO = nullptr;
    QTimer *ChatPanelTimer = nullptr;
    QTimer *ADSTimer = nullptr;
    QTimer *NewsTimer = nullptr;
    QTimer *InstallTimer = nullptr;
    QTimer *DeleteTimer = nullptr;

    // the two tables, never shown
    StringGrid SettingsGrid;
    StringGrid ConfigGrid;

    // ---- state: engine tick and window
    bool DragActive = false;
    qint32 DragOffsetX = 0;
    qint32 DragOffsetY = 0;
    bool ChatPollAllowed = true;
    double ActivityClockMs = 0;
    qint32 ProgressPercent = 0;
    // Drag and finishing, server check, game-window watch, automatic login and chat poll.
    std::array<EngineSlot, 4> EngineSlots{{{31, 0}, {3000, 0}, {200, 0}, {500, 0}}};
    QByteArray LauncherVersion;
    QByteArray VersionLabel;
    QByteArray WindowCaption;
    QByteArray LoginUrl;
    QByteArray CheckUrl;
    QByteArray ChatUrl;
    QByteArray DownloadBaseUrl;

    // navigation
    quint16 CurrentPanel = 0;
    quint16 PreviousPanel = 0;

    // skin and sounds: the bundles stay loaded until the final shutdown
    ResourceBundle ResourceLibrary1;
    ResourceBundle ResourceLibrary2;
    bool SoundsOn = true;

    // server check
    QByteArray ServerState;
    bool ServerCheckIdle = true;
    QByteArray ServerLauncherVersion;
    quint32 AdCount = 0;
    quint16 NewsCount = 0;

    // login session
    bool LoggedIn = false;
    bool AutoLoginArmed = false;
    bool LoginIdle = false;
    QByteArray AccountEmail;
    QByteArray AccountPassword;
    QByteArray UserName;
    QByteArray LoginId;

    // chat
    bool ChatIdle = false;
    bool ChatSendPending = false;
    QByteArray ChatCommand;
    QByteArray ChatText;
    QByteArray ChatChannel;
    QByteArray ChatWhisperTo;
    std::array<QByteArray, 20> ChatHistory;
    quint16 ChatHistoryPos = 0;

    // ads and news
    quint32 AdIndex = 0;
    quint16 NewsIndex = 0;

    // catalogue, shop and My Games
    GameLibrary Library;
    qint16 SelectedGame = 0;
    quint32 ShopPosition = 0;
    quint32 MyGamesPosition = 0;

    // jobs of downloads, installation, removal and self-update
    quint16 PendingJob = 0;
    quint16 JobStep = 1;
    bool StepReady = false;
    bool JobBusy = false;
    bool DownloadIdle = true;
    double ProgressValue = 0;
    double ProgressMax = 0;
    QByteArray StatusLine;
    QByteArray SizeLine;
    QByteArray SpeedLine;
    QByteArray RemainLine;

    // ---- state added by the subsystems (each keeps to its own block)
    // online state: one form-post client per endpoint, made with the window's handlers
    FormPostClient *NetCheckServer = nullptr;
    FormPostClient *NetLogIn = nullptr;
    FormPostClient *NetHTTPChat = nullptr;

    // library state

    // install state
    // Stated by each starting action just before StartDownload: what the file is for, and the game
    // (-1 for the launcher's setup). BtnUpdateClick sets LauncherSetup and -1.
    DownloadPurpose NextDownloadPurpose = DownloadPurpose::GameInstall;
    qint16 NextDownloadGame = -1;
    // The same, fixed by StartDownload for the running download and the finishing that follows it.
    DownloadPurpose DownloadJobPurpose = DownloadPurpose::GameInstall;
    qint16 DownloadJobGame = -1;
    // The downloaded file, absolute.
    QString DownloadJobFile;
    // The launcher setup's signature as the service published it with the file (none for games).
    QByteArray DownloadJobSignature;
    // The window's download client (a child of the window), made by the first download.
    QPointer<DownloadClient> NetDownload;
    QByteArray DownloadTitleText;
    DownloadSize DownloadSizeInfo;
    // Extraction progress, set afresh for every extraction.
    ::UnzipProgress UnzipState{0, 0, 0};
    // Set by the final shutdown and by a cancel: a running extraction ends at its next chunk.
    std::atomic_bool ExtractionStop = false;

    // The cancel button's own visibility: shown with the bar until a finishing step withdraws it,
    // offered again by the next installation.
    bool CancelOffered = true;

    // removal state
    // The game a removal acts on, fixed by the click that asked for it.
    qint16 RemovalGame = -1;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // app/MainFormComponents.cpp
    void BuildComponents();
    void BuildStatusBar();
    void BuildLogInForm();
    void BuildSidePanel();
    void BuildContentPanels();
    void BuildGameDetail();
    void BuildDownloadBar();
    void BuildChatPanel();
    void BuildTimers();
    void ConnectHandlers();
    // Each subsystem wires its own controls and timers (online/, library/, install/).
    void ConnectOnlineHandlers();
    void ConnectLibraryHandlers();
    void ConnectInstallHandlers();
    void ConnectRemovalHandlers();
    // app/EngineTick.cpp
    void EngineSlotA(quint32 now, quint32 lastRun);
    void EngineSlotC();
    void EngineSlotD();
    void MirrorDownloadBar();
    // app/Keyboard.cpp
    void OpenChatInput();
    // app/Skin.cpp
    void LoadResourceLibraries();
    void ReleaseResourceLibraries();
    void PlayCue(std::size_t cue);

    MainFormDependencies m_deps;
    MouseDownRelay *m_dragSurfaces = nullptr;
    bool m_exiting = false;
    bool m_centred = false;
};
