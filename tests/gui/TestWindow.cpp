#include "TestWindow.h"

#include "RunningService.h"
#include "core/GameCatalogue.h"
#include "core/GameLibrary.h"
#include "gui/controls/PictureControl.h"
#include "lib/ServiceConfig.h"
#include "platform/WindowFinder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <limits>
#include <unistd.h>

namespace {

constexpr int ReplyWaitMs = 10000;

QString text(std::string_view value) {
    return QString::fromUtf8(value.data(), qsizetype(value.size()));
}

} // namespace

MainFormDependencies TestWindow::dependencies() {
    MainFormDependencies d = MainFormDependencies::standard(folder.path());
    d.serviceBaseUrl = serviceUrl;
    auto manual = std::make_unique<ManualTickClock>(0x10000);
    clock = manual.get();
    d.clock = std::move(manual);
    d.urlOpener = std::make_unique<UrlOpener>([this](const QUrl &url) {
        opened << url;
        return true;
    });
    d.messageBox = [this](QWidget *, QMessageBox::Icon, const QString &, const QString &message,
                          QMessageBox::StandardButtons) {
        messages << message;
        return QMessageBox::Ok;
    };
    d.pointer = [this] { return pointer; };
    if (display.isEmpty())
        d.windowExists = [this](const QByteArray &title) { return openWindows.contains(title); };
    else
        d.windowExists = [finder = std::make_shared<WindowFinder>(display)](const QByteArray &title) {
            return finder->exists(title);
        };
    d.freeSpace = [this](const QString &) { return freeBytes; };
    d.terminate = [this](int code) { exitCodes << code; };
    sounds = d.sounds.get();
    if (adjust)
        adjust(d);
    return d;
}

bool TestWindow::copyFiles() {
    const auto copy = [this](const char *from, const char *to) {
        const QString target = path(QString::fromLatin1(to));
        // A hard link where it can be: the launcher is large and only its version is read. A test
        // whose launcher gets replaced puts a copy of its own there first.
        return QFile::exists(target) || ::link(from, QFile::encodeName(target).constData()) == 0 ||
               QFile::copy(QString::fromUtf8(from), target);
    };
    return copy(PICTURE_BUNDLE, "Quillbarrow01.dll") && copy(SOUND_BUNDLE, "Quillbarrow02.dll") &&
           copy(LAUNCHER_EXE, "Quillbarrow.exe") &&
           copy(LAUNCHER_DIR "/libquillbarrow_web.so", "libquillbarrow_web.so");
}

bool TestWindow::start() {
    if (!copyFiles()) {
        qWarning("the built bundles or launcher could not be copied");
        return false;
    }
    form = std::make_unique<TMainForm>(dependencies());
    if (const std::optional<QString> error = form->FormCreate()) {
        qWarning("start-up stopped: %s", qPrintable(*error));
        return false;
    }
    form->EngineTimer->stop();
    return true;
}

void TestWindow::logInByHand() {
    form->LoggedIn = true;
    form->EngineSlots[1].period = std::numeric_limits<quint32>::max();
    form->EngineSlots[3].period = std::numeric_limits<quint32>::max();
}

bool TestWindow::serverCheck() {
    TMainForm &w = *form;
    if (!w.ServerCheckIdle)
        return false;
    w.PostServerCheck();
    return QTest::qWaitFor([&w] { return w.ServerCheckIdle; }, ReplyWaitMs);
}

bool TestWindow::logIn(const QString &email, const QString &password) {
    TMainForm &w = *form;
    w.EMailEdit->setText(email);
    w.PasswordEdit->setText(password);
    w.BtnLogInClick();
    // A login refused before anything was posted starts no watchdog.
    return QTest::qWaitFor([&w] { return !w.LoginTO->isActive(); }, ReplyWaitMs) && w.LoggedIn;
}

bool TestWindow::chatRound() {
    tick(500);
    return QTest::qWaitFor([this] { return form->ChatIdle; }, ReplyWaitMs);
}

void TestWindow::tick(quint32 ms) {
    clock->advance(ms);
    form->EngineTimerTimer();
}

bool TestWindow::tickUntil(const std::function<bool()> &done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        tick();
        QTest::qWait(1);
    }
    return true;
}

void TestWindow::navigate(quint16 panel) {
    form->CurrentPanel = panel;
    form->ShowPanel();
}

void TestWindow::select(qint16 game, quint16 from) {
    navigate(from);
    form->SelectedGame = game;
    form->PreviousPanel = from;
    navigate(10);
    form->RefreshGameStates();
}

bool TestWindow::installGame(int game) const {
    const GameEntry &entry = GameCatalogue()[std::size_t(game)];
    const QString built =
        QStringLiteral(DEMO_GAME_STAGE "/%1/%2").arg(text(entry.FolderName), text(entry.ExeName));
    return QFile::exists(exePath(game)) ||
           (QDir().mkpath(QFileInfo(exePath(game)).path()) && QFile::copy(built, exePath(game)));
}

QString TestWindow::exePath(int game) const {
    return path(QString::fromUtf8(GameLibrary::ExePath(game)));
}

QString TestWindow::chat() const {
    return form->ChatAll->toPlainText();
}

QImage TestWindow::picture(QByteArrayView name) const {
    PictureControl probe;
    if (form->LoadPicture(&probe, name))
        return {};
    return probe.picture().toImage();
}

QString startTestService(RunningService &service) {
    if (QString error = service.init(); !error.isEmpty())
        return error;
    const QString ini = QDir(service.dataDir()).filePath(QStringLiteral("service.ini"));
    QString error;
    std::optional<ServiceConfig> config = ServiceConfig::load(ini, &error);
    if (!config)
        return error;
    config->maxClients = 10;
    // Every test logs in from the same address, again and again.
    config->loginAttemptsPerAccount = 0;
    config->loginAttemptsPerAddress = 0;
    if (!config->save(ini, &error))
        return error;
    return service.start();
}

QString serviceUrl(const RunningService &service) {
    return QStringLiteral("https://localhost:%1").arg(service.port());
}

QString downloadDir(const RunningService &service) {
    return QDir(service.dataDir()).filePath(QStringLiteral("www/download"));
}

bool admin(const RunningService &service, const QStringList &arguments) {
    const RunningService::Outcome outcome = service.admin(arguments);
    if (outcome.exitCode != 0)
        qWarning("%s", qPrintable(outcome.describe()));
    return outcome.exitCode == 0;
}

QList<qint64> processesOf(const QString &executable) {
    const QString wanted = QFileInfo(executable).canonicalFilePath();
    QList<qint64> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (numeric && !wanted.isEmpty() &&
            QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid)) == wanted)
            found << pid;
    }
    return found;
}

QList<QByteArray> argumentsOf(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> arguments = file.readAll().split('\0');
    if (!arguments.isEmpty() && arguments.last().isEmpty())
        arguments.removeLast();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    return arguments;
}

QScopeGuard<std::function<void()>> childrenOnDisplay(const QByteArray &display) {
    const QByteArray oldDisplay = qgetenv("DISPLAY");
    const QByteArray oldPlatform = qgetenv("QT_QPA_PLATFORM");
    qputenv("DISPLAY", display);
    qputenv("QT_QPA_PLATFORM", "xcb");
    return QScopeGuard<std::function<void()>>([oldDisplay, oldPlatform] {
        for (const auto &[name, value] :
             {std::pair{"DISPLAY", oldDisplay}, std::pair{"QT_QPA_PLATFORM", oldPlatform}})
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    });
}
