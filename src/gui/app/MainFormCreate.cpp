#include "core/FileVersion.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/Spinner.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr QStringView LauncherExecutable = u"Quillbarrow.exe";
constexpr char VersionPrefix[] = "v";
constexpr char CaptionPrefix[] = "Quillbarrow   ";
constexpr char LoginPath[] = "/game/login.server.php";
constexpr char CheckPath[] = "/game/check.server.php";
constexpr char ChatPath[] = "/game/chat.php";
constexpr char DownloadPath[] = "/download/";

} // namespace

std::optional<QString> TMainForm::FormCreate() {
    LauncherVersion = ReadFileVersion(QFile::encodeName(ProgramPath(LauncherExecutable)));
    VersionLabel = VersionPrefix + LauncherVersion;
    WindowCaption = CaptionPrefix + VersionLabel;
    setWindowTitle(QString::fromUtf8(WindowCaption));

    setAttribute(Qt::WA_TranslucentBackground, false);
    setAutoFillBackground(true);
    QPalette fill = palette();
    fill.setColor(QPalette::Window, QColor::fromRgba(0xFF000000));
    setPalette(fill);

    ChatPanel->hide();
    ChatEdit->hide();
    BtnUpdate->hide();
    DLInfo->hide();
    AniInd->hide();
    BtnCancel->hide();

    LoggedIn = false;
    ChatIdle = false;
    ServerCheckIdle = true;
    ChatSendPending = false;
    ChatPollAllowed = true;
    JobBusy = false;
    CurrentPanel = 0;
    PendingJob = 0;
    JobStep = 1;
    StepReady = false;
    DownloadIdle = true;

    LoadResourceLibraries();
    if (std::optional<QString> error = LoadSkin())
        return error;

    LoadSavedLogin();
    LoadSettings();

    // The main layout sets the font units the other two size their buttons and texts by.
    LayoutMain();
    LayoutGameDetail();
    LayoutChat();

    if (std::optional<QString> error = ApplyPanel())
        return error;

    LoginId = QByteArray::number(0);

    const QByteArray base = m_deps.serviceBaseUrl.toUtf8();
    LoginUrl = base + LoginPath;
    ChatUrl = base + ChatPath;
    CheckUrl = base + CheckPath;
    DownloadBaseUrl = base + DownloadPath;

    CleanUpTemp();
    EngineTimer->start();
    return std::nullopt;
}

void TMainForm::FormActivate() {
    // A window moved to another screen changes size; the detail panel and chat follow it.
    LayoutMain();
    LayoutGameDetail();
    LayoutChat();
}
