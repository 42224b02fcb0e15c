#include "OnlineWindow.h"

#include "RunningService.h"
#include "lib/ServiceConfig.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

namespace {

constexpr int ReplyWaitMs = 10000;

} // namespace

QString OnlineWindow::startService(RunningService &service, int maxClients) {
    if (QString error = service.init(); !error.isEmpty())
        return error;
    const QString ini = QDir(service.dataDir()).filePath(QStringLiteral("service.ini"));
    QString error;
    std::optional<ServiceConfig> config = ServiceConfig::load(ini, &error);
    if (!config)
        return error;
    config->maxClients = maxClients;
    // Every test logs in from the same address, again and again.
    config->loginAttemptsPerAccount = 0;
    config->loginAttemptsPerAddress = 0;
    if (!config->save(ini, &error))
        return error;
    return service.start();
}

OnlineWindow::OnlineWindow(const RunningService &service)
    : m_baseUrl(QStringLiteral("https://localhost:%1").arg(service.port())) {}

bool OnlineWindow::start() {
    if (!QFile::copy(QStringLiteral(LAUNCHER_EXE), fixture.path(QStringLiteral("Quillbarrow.exe")))) {
        qWarning("the launcher could not be copied");
        return false;
    }
    return fixture.startWithSkin([this](MainFormDependencies &d) {
        d.serviceBaseUrl = m_baseUrl;
        d.urlOpener = std::make_unique<UrlOpener>([this](const QUrl &url) {
            opened << url;
            return true;
        });
    });
}

void OnlineWindow::tick(quint32 milliseconds) {
    fixture.clock->advance(milliseconds);
    form().EngineTimerTimer();
}

bool OnlineWindow::serverCheck() {
    TMainForm &w = form();
    if (!w.ServerCheckIdle)
        return false;
    w.PostServerCheck();
    return QTest::qWaitFor([&w] { return w.ServerCheckIdle; }, ReplyWaitMs);
}

bool OnlineWindow::logIn(const QString &email, const QString &password) {
    TMainForm &w = form();
    w.EMailEdit->setText(email);
    w.PasswordEdit->setText(password);
    w.BtnLogInClick();
    // A login refused before anything was posted starts no watchdog.
    if (!QTest::qWaitFor([&w] { return !w.LoginTO->isActive(); }, ReplyWaitMs))
        return false;
    return w.LoggedIn;
}

bool OnlineWindow::chatRound() {
    TMainForm &w = form();
    tick(500);
    return QTest::qWaitFor([&w] { return w.ChatIdle; }, ReplyWaitMs);
}

QString OnlineWindow::chatLog() const {
    return fixture.form->ChatAll->toPlainText();
}
