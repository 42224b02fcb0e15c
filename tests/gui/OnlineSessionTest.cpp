#include "HttpsProbe.h"
#include "OnlineWindow.h"
#include "RunningService.h"
#include "core/GameCatalogue.h"
#include "core/SavedLoginTable.h"
#include "gui/controls/PictureControl.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const QString AnnEmail = QStringLiteral("ann@example.com");
const QString AnnPassword = QStringLiteral("Ann's Secret");

QStringList versions(const QString &launcher) {
    QStringList list{QStringLiteral("set"), QStringLiteral("versions"), launcher};
    for (int i = 0; i < int(GameCount); ++i)
        list << QStringLiteral("%1.%2").arg(1 + i / 10).arg(i % 10);
    return list;
}

QColor stateColour(QLabel *label) {
    label->ensurePolished();
    return label->palette().color(QPalette::WindowText);
}

} // namespace

// The server check and the login session of a real window against the real service (at most two
// clients at once), one service for the whole class; the last case stops it.
class OnlineSessionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        const QString error = OnlineWindow::startService(m_service, 2);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        addUser(AnnEmail, AnnPassword, QStringLiteral("Ann"));
        addUser(QStringLiteral("dora@example.com"), QStringLiteral("dora pass"), QStringLiteral("Dora"));
        addUser(QStringLiteral("bob@example.com"), QStringLiteral("bob pass"), QStringLiteral("Bob"));
        addUser(QStringLiteral("carl@example.com"), QStringLiteral("carl pass"), QStringLiteral("Carl"));
        admin({QStringLiteral("user"), QStringLiteral("disable"), QStringLiteral("dora@example.com")});
        admin(versions(QStringLiteral("1.0.0.8")));
        admin({QStringLiteral("set"), QStringLiteral("counts"), QStringLiteral("3"), QStringLiteral("2")});
    }

    void checkReplyShowsStateCountsAndVersions() {
        OnlineWindow o(m_service);
        QVERIFY(o.start());
        TMainForm &w = o.form();
        QCOMPARE(w.LauncherVersion, QByteArray("1.0.0.8"));
        QVERIFY(o.serverCheck());

        QCOMPARE(w.ServerState, QByteArray("ON"));
        QCOMPARE(w.TXTServerState->text(), QStringLiteral("ONLINE"));
        QCOMPARE(stateColour(w.TXTServerState), QColor::fromRgba(0xFF7CFC00));
        QCOMPARE(w.AdCount, 3u);
        QCOMPARE(w.NewsCount, quint16(2));
        QCOMPARE(w.VersionLabel, QByteArray("v1.0.0.8"));
        QVERIFY(w.BtnUpdate->isHidden());
        QCOMPARE(w.Library.LatestVersion[0], QByteArray("1.0"));
        QCOMPARE(w.Library.LatestVersion[12], QByteArray("2.2"));
        QVERIFY(w.LogOutBtn->isHidden());

        // A trailing separator: the empty 15th piece is ignored.
        w.NetCheckServerRequestCompleted("ON!|OK|0003|002|1.0.0.8^a^b^c^d^e^f^g^h^i^j^k^l^m^");
        QCOMPARE(w.Library.LatestVersion[0], QByteArray("a"));
        QCOMPARE(w.Library.LatestVersion[12], QByteArray("m"));
        // Five pieces: entries 0 to 3 change, the others keep their values.
        w.NetCheckServerRequestCompleted("ON!|OK|0003|002|1.0.0.8^p^q^r^s");
        QCOMPARE(w.Library.LatestVersion[3], QByteArray("s"));
        QCOMPARE(w.Library.LatestVersion[4], QByteArray("e"));
        QCOMPARE(w.Library.LatestVersion[12], QByteArray("m"));
        // A log-out request while logged out changes nothing.
        w.NetCheckServerRequestCompleted("ON!|LO|0003|002|1.0.0.8^p");
        QVERIFY(!w.LoggedIn);
        QCOMPARE(w.TXTServerState->text(), QStringLiteral("ONLINE"));

        // An error page: the handling completes, the counts keep their values, all versions unknown.
        w.ServerCheckIdle = false;
        w.NetCheckServerRequestCompleted("<html><head><title>Bad Gateway</title></head></html>");
        QVERIFY(w.ServerCheckIdle);
        QCOMPARE(w.ServerState, QByteArray("Error"));
        QCOMPARE(w.TXTServerState->text(), QStringLiteral("Unavaiable"));
        QCOMPARE(stateColour(w.TXTServerState), QColor::fromRgba(0xFFFF4500));
        QCOMPARE(w.AdCount, 3u);
        QCOMPARE(w.NewsCount, quint16(2));
        QCOMPARE(w.Library.LatestVersion[12], QByteArray("Unknown"));
        QCOMPARE(w.CurrentPanel, quint16(0));

        w.NetCheckServerRequestCompleted("OFF|OK|0001|001|1.0.0.8");
        QCOMPARE(w.TXTServerState->text(), QStringLiteral("OFFLINE"));
        QCOMPARE(stateColour(w.TXTServerState), QColor::fromRgba(0xFFFF6347));
        QCOMPARE(w.AdCount, 1u);
    }

    void grantedLoginOpensHomeAndLogOutDiscardsTheSavedLogin() {
        OnlineWindow o(m_service);
        QVERIFY(o.start());
        TMainForm &w = o.form();
        QVERIFY(o.serverCheck());
        w.CheckBoxSave->setChecked(true);
        QVERIFY(o.logIn(QStringLiteral("Ann@Example.COM"), AnnPassword));

        QCOMPARE(w.EMailEdit->text(), AnnEmail);
        QCOMPARE(w.AccountEmail, AnnEmail.toUtf8());
        QCOMPARE(w.TXTEMail->text(), AnnEmail);
        QCOMPARE(w.UserName, QByteArray("Ann"));
        QVERIFY(!w.LoginId.isEmpty() && w.LoginId != "0");
        QVERIFY(w.AutoLoginArmed);
        QCOMPARE(w.CurrentPanel, quint16(1));
        QVERIFY(!w.PanelHome->isHidden());
        QVERIFY(w.LogInForm->isHidden());
        QVERIFY(!w.LogOutBtn->isHidden());
        QVERIFY(w.ADSTimer->isActive());
        QCOMPARE(o.chatLog(), QStringLiteral("Welcome Ann.\nType '/?' to display commands."));
        QVERIFY(!w.ChatPanel->isHidden());

        // The next poll slot joins the global channel.
        QVERIFY(w.ChatSendPending);
        QVERIFY(o.chatRound());
        QVERIFY(!w.ChatSendPending);
        QVERIFY2(o.chatLog().contains(u"You joined channel Global."), qPrintable(o.chatLog()));
        // The keep-alive keeps the login: the service knows the id.
        QVERIFY(o.serverCheck());
        QVERIFY(w.LoggedIn);

        // The password shown in clear is masked again by the log-out.
        const QImage hidden = w.ShowPass->picture().toImage();
        w.ShowPassClick();
        QCOMPARE(w.PasswordEdit->echoMode(), QLineEdit::Normal);
        QVERIFY(w.ShowPass->picture().toImage() != hidden);

        w.LogOutBtnClick();
        QCOMPARE(w.PasswordEdit->echoMode(), QLineEdit::Password);
        QCOMPARE(w.ShowPass->picture().toImage(), hidden);
        QVERIFY(!w.LoggedIn);
        QVERIFY(!w.AutoLoginArmed);
        QCOMPARE(w.CurrentPanel, quint16(0));
        QVERIFY(!w.LogInForm->isHidden());
        QVERIFY(!w.CheckBoxSave->isChecked());
        QVERIFY(w.EMailEdit->text().isEmpty() && w.PasswordEdit->text().isEmpty());
        QVERIFY(o.chatLog().contains(u"Bye bye Ann..."));
        QTRY_VERIFY2(o.chatLog().contains(u"LogOff successful."), qPrintable(o.chatLog()));
        StringGrid grid;
        const SavedLoginLoad saved = loadSavedLoginTable(grid, o.fixture.folder.path());
        QVERIFY(!saved.login.saved);
        QVERIFY(saved.login.email.isEmpty());
        // The session is over: nothing more goes out on the chat.
        QVERIFY(!w.ChatIdle);
    }

    void refusalsShowTheirLinesAndDisarm() {
        OnlineWindow o(m_service);
        QVERIFY(o.start());
        TMainForm &w = o.form();

        // Refused locally: no check has told the service is up; then empty fields.
        QVERIFY(!o.logIn(AnnEmail, AnnPassword));
        QVERIFY(o.chatLog().endsWith(u"Server Is OFFLINE !"));
        QVERIFY(o.serverCheck());
        w.AutoLoginArmed = true;
        QVERIFY(!o.logIn(AnnEmail, QString()));
        QVERIFY(o.chatLog().endsWith(u"Please enter your E-mail and Password to Log In !"));
        QVERIFY(!w.AutoLoginArmed);

        QVERIFY(!o.logIn(AnnEmail, QStringLiteral("not the password")));
        QCOMPARE(o.chatLog(), QStringLiteral("Wrong Username or Password!"));
        QCOMPARE(o.fixture.sounds->lastPlayed(), QStringLiteral("SndError"));
        QVERIFY(!w.AutoLoginArmed);

        QVERIFY(!o.logIn(QStringLiteral("dora@example.com"), QStringLiteral("dora pass")));
        QCOMPARE(o.chatLog(), QStringLiteral("Your account is disabled!"));
        QVERIFY(!w.AutoLoginArmed);

        // Two others fill the service.
        QList<QByteArray> ids;
        for (const QString &who : {QStringLiteral("bob"), QStringLiteral("carl")}) {
            const HttpsProbe::Reply reply = probe().postForm(
                "/game/login.server.php", {{QStringLiteral("message"), QStringLiteral("LogIn Request.")},
                                           {QStringLiteral("email"), who + QStringLiteral("@example.com")},
                                           {QStringLiteral("password"), who + QStringLiteral(" pass")}});
            QVERIFY2(reply.body.startsWith("LogIn Granted!|"), reply.body.constData());
            ids << reply.body.mid(reply.body.lastIndexOf('|') + 1);
        }
        QVERIFY(!o.logIn(AnnEmail, AnnPassword));
        QCOMPARE(o.chatLog(), QStringLiteral("Maximum clients online is reached! Please try again later."));
        QCOMPARE(o.fixture.sounds->lastPlayed(), QStringLiteral("SndError"));
        QVERIFY(!w.LoggedIn && !w.AutoLoginArmed);
        for (const QByteArray &id : ids) {
            const HttpsProbe::Reply reply = probe().postForm(
                "/game/login.server.php", {{QStringLiteral("message"), QStringLiteral("LogOFF!")},
                                           {QStringLiteral("loginid"), QString::fromLatin1(id)}});
            QCOMPARE(reply.body, QByteArray("LogOffOK!"));
        }

        // A granted keyword without the name and id is a failed login, not one with an undefined name.
        w.NetLogInRequestCompleted("LogIn Granted!");
        QVERIFY(o.chatLog().endsWith(u"LogIn failed!"));
        QVERIFY(!w.LoggedIn);
        // Unknown replies change nothing.
        w.AutoLoginArmed = true;
        w.NetLogInRequestCompleted("Welcome!");
        QVERIFY(w.AutoLoginArmed);
    }

    void savedLoginComesBackWithTheService() {
        OnlineWindow o(m_service);
        QVERIFY(o.start());
        TMainForm &w = o.form();
        QVERIFY(o.serverCheck());
        w.CheckBoxSave->setChecked(true);
        QVERIFY(o.logIn(AnnEmail, AnnPassword));

        admin({QStringLiteral("set"), QStringLiteral("state"), QStringLiteral("off")});
        QTRY_VERIFY_WITH_TIMEOUT(o.serverCheck() && w.ServerState == "OFF", 10000);
        QCOMPARE(w.TXTServerState->text(), QStringLiteral("OFFLINE"));
        QVERIFY(!w.LoggedIn);
        QCOMPARE(w.CurrentPanel, quint16(0));
        QVERIFY(o.chatLog().contains(u"Bye bye Ann..."));
        // The service's log-out keeps what the player saved.
        QVERIFY(w.AutoLoginArmed);
        QVERIFY(w.CheckBoxSave->isChecked());
        QCOMPARE(w.EMailEdit->text(), AnnEmail);

        admin({QStringLiteral("set"), QStringLiteral("state"), QStringLiteral("on")});
        // The engine tick checks every 3 s and, with the service up, logs in by itself.
        QTRY_VERIFY_WITH_TIMEOUT((o.tick(500), w.LoggedIn), 20000);
        QCOMPARE(w.CurrentPanel, quint16(1));
        QVERIFY(o.chatLog().contains(u"Welcome Ann."));
    }

    void serviceKickLogsOutAndDiscardsTheSavedLogin() {
        OnlineWindow o(m_service);
        QVERIFY(o.start());
        TMainForm &w = o.form();
        QVERIFY(o.serverCheck());
        w.CheckBoxSave->setChecked(true);
        QVERIFY(o.logIn(AnnEmail, AnnPassword));

        admin({QStringLiteral("user"), QStringLiteral("kick"), AnnEmail});
        QTRY_VERIFY_WITH_TIMEOUT(o.serverCheck() && !w.LoggedIn, 10000);
        QVERIFY(!w.AutoLoginArmed);
        QVERIFY(!w.CheckBoxSave->isChecked());
        QVERIFY(w.EMailEdit->text().isEmpty());
        QCOMPARE(w.CurrentPanel, quint16(0));
    }

    void newerLauncherOnTheServiceForcesLogOut() {
        OnlineWindow o(m_service);
        QVERIFY(o.start());
        TMainForm &w = o.form();
        QVERIFY(o.serverCheck());
        QVERIFY(o.logIn(AnnEmail, AnnPassword));

        admin(versions(QStringLiteral("1.0.0.9")));
        QTRY_VERIFY_WITH_TIMEOUT(o.serverCheck() && w.ServerLauncherVersion == "1.0.0.9", 10000);
        QCOMPARE(w.VersionLabel, QByteArray("v1.0.0.8   Please update !     New  v1.0.0.9"));
        QVERIFY(!w.BtnUpdate->isHidden());
        QVERIFY(!w.LoggedIn);
        QCOMPARE(w.CurrentPanel, quint16(0));
        // Armed, but every retry is refused locally and disarms.
        o.tick(500);
        QVERIFY(o.chatLog().endsWith(u"You need to Update Quillbarrow !"));
        QVERIFY(!w.AutoLoginArmed);
        admin(versions(QStringLiteral("1.0.0.8")));
        QTRY_VERIFY_WITH_TIMEOUT(o.serverCheck() && w.ServerLauncherVersion == "1.0.0.8", 10000);
        QVERIFY(w.BtnUpdate->isHidden());
        QCOMPARE(w.VersionLabel, QByteArray("v1.0.0.8"));
    }

    // Last: the service goes away for good.
    void silentServiceShowsUnavailable() {
        OnlineWindow o(m_service);
        QVERIFY(o.start());
        TMainForm &w = o.form();
        QVERIFY(o.serverCheck());
        QVERIFY(o.logIn(AnnEmail, AnnPassword));
        QCOMPARE(m_service.stop(), 0);

        w.PostServerCheck();
        QVERIFY(w.CheckServerTO->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(w.ServerCheckIdle, 6000);
        QCOMPARE(w.TXTServerState->text(), QStringLiteral("Unavaiable"));
        QCOMPARE(stateColour(w.TXTServerState), QColor::fromRgba(0xFFFF4500));
        QCOMPARE(w.ServerLauncherVersion, QByteArray("Unknown"));
        QVERIFY(!w.LoggedIn);
        QVERIFY(w.LogOutBtn->isHidden());
        QCOMPARE(w.CurrentPanel, quint16(0));
        QVERIFY(!w.LogInForm->isHidden());
        // Dropped without a farewell: the service could not hear it.
        QVERIFY(!o.chatLog().contains(u"Bye bye"));
        QVERIFY(w.AutoLoginArmed);

        // A login post that gets no reply: only logged, and tried again while armed.
        w.ServerState = "ON";
        w.ServerLauncherVersion = w.LauncherVersion;
        w.BtnLogInClick();
        QVERIFY(w.LoginTO->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(!w.LoginTO->isActive(), 6000);
        QVERIFY(w.LoginIdle);
        QVERIFY(o.chatLog().endsWith(u"LogIn server time out!"));
        QVERIFY(w.AutoLoginArmed);
    }

private:
    void addUser(const QString &email, const QString &password, const QString &name) {
        admin({QStringLiteral("user"), QStringLiteral("add"), email, password, name});
    }
    void admin(const QStringList &arguments) {
        const RunningService::Outcome outcome = m_service.admin(arguments);
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));
    }
    HttpsProbe probe() const {
        return HttpsProbe(QStringLiteral("localhost"), m_service.port(),
                          RunningService::trustingConfiguration());
    }

    RunningService m_service;
};

QTEST_MAIN(OnlineSessionTest)
#include "OnlineSessionTest.moc"
