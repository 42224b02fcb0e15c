// The online client of the real window against the real reference service on a loopback port: server
// check and login session, chat with a second player, ads in the real web view, news and web links.
#include "HttpsProbe.h"
#include "RunningService.h"
#include "ScriptedServer.h"
#include "TestCertificates.h"
#include "TestWindow.h"
#include "core/GameCatalogue.h"
#include "core/SavedLoginTable.h"
#include "gui/controls/PictureControl.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString AnnEmail = u"ann@example.com"_s;
const QString AnnPassword = u"Ann's Secret"_s;
const QString PlusEmail = u"player+ads@example.com"_s;

QString title(const QObject *view) {
    return view->property("title").toString();
}

QStringList versions(const QString &launcher) {
    QStringList list{u"set"_s, u"versions"_s, launcher};
    for (int i = 0; i < int(GameCount); ++i)
        list << u"%1.%2"_s.arg(1 + i / 10).arg(i % 10);
    return list;
}

// A second player speaking the chat protocol, one synchronous post at a time.
class ChatPeer {
public:
    explicit ChatPeer(const RunningService &service)
        : m_probe(u"localhost"_s, service.port(), RunningService::trustingConfiguration()) {}

    bool logIn(const QString &email, const QString &password) {
        const HttpsProbe::Reply reply = m_probe.postForm(
            "/game/login.server.php",
            {{u"message"_s, u"LogIn Request."_s}, {u"email"_s, email}, {u"password"_s, password}});
        m_id = QString::fromUtf8(reply.body.split('|').value(2));
        return reply.body.startsWith("LogIn Granted!|Bob|");
    }
    // Posts a command and tells whether what came back so far holds `expected`.
    bool post(const QString &command, const QString &channel, const QString &text = {},
              const QString &to = {}, const QString &expected = {}) {
        m_received += QString::fromUtf8(m_probe
                                            .postForm("/game/chat.php", {{u"username"_s, u"Bob"_s},
                                                                         {u"command"_s, command},
                                                                         {u"channel"_s, channel},
                                                                         {u"chattext"_s, text},
                                                                         {u"wshpto"_s, to},
                                                                         {u"loginid"_s, m_id}})
                                            .body);
        return !expected.isEmpty() && m_received.contains(expected);
    }
    bool receive(const QString &text) {
        return QTest::qWaitFor([&] { return post(u"CheckChat"_s, u"Global"_s, {}, {}, text); }, 10000);
    }

private:
    HttpsProbe m_probe;
    QString m_id;
    QString m_received;
};

} // namespace

// One service for the class; one window that logs in as Plus and stays for the chat, the links and
// the ads; the session cases log in as Ann in windows of their own. The last case stops the service.
class OnlineTest : public QObject {
    Q_OBJECT

    RunningService m_service;
    TestWindow t;
    std::unique_ptr<ChatPeer> m_bob;

    bool start(TestWindow &window) {
        window.serviceUrl = serviceUrl(m_service);
        return window.start() && window.serverCheck();
    }
    // Opens the input line with Enter, types the line and sends it with Enter.
    void type(const QString &line) {
        t.form->FormKeyDown(Qt::Key_Return, {});
        t.form->ChatEdit->setText(line);
        t.form->FormKeyDown(Qt::Key_Return, {});
    }
    // Runs the poll slots until the window's log holds text.
    bool receive(const QString &text) {
        return QTest::qWaitFor([&] { return t.chatRound() && t.chat().contains(text); }, 10000);
    }

private Q_SLOTS:
    void initTestCase() {
        const QString error = startTestService(m_service);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        for (const auto &[email, password, name] : {std::tuple{AnnEmail, AnnPassword, u"Ann"_s},
                                                    std::tuple{u"bob@example.com"_s, u"bob pass"_s, u"Bob"_s},
                                                    std::tuple{PlusEmail, u"plus pass"_s, u"Plus"_s}})
            QVERIFY(admin(m_service, {u"user"_s, u"add"_s, email, password, name}));
        QVERIFY(admin(m_service, versions(u"1.0.0.8"_s)));
        QVERIFY(admin(m_service, {u"set"_s, u"counts"_s, u"3"_s, u"2"_s}));
        QVERIFY(start(t));
        m_bob = std::make_unique<ChatPeer>(m_service);
        QVERIFY(m_bob->logIn(u"bob@example.com"_s, u"bob pass"_s));
        m_bob->post(u"Join!"_s, u"Global"_s);
    }

    void linksOpenTheirAddresses() {
        TMainForm &w = *t.form;
        const QString base = serviceUrl(m_service);
        // Logged out, the invitation has nobody to invite for.
        w.BtnInvite->click();
        QVERIFY(t.opened.isEmpty());
        QVERIFY(t.chat().endsWith(u"You must Log In first!"_s));
        w.BtnForgotPass->click();
        Q_EMIT w.QRCode->clicked();
        w.BtnDonate->click();
        QCOMPARE(t.opened, (QList<QUrl>{QUrl(base + u"/index.php?id=forgot-password"_s), QUrl(base),
                                        QUrl(base + u"/index.php?id=donate"_s)}));
        // The "+" reaches the service intact in the login form, and the invitation unencoded.
        QVERIFY(t.logIn(PlusEmail, u"plus pass"_s));
        w.BtnInvite->click();
        QCOMPARE(t.opened.last().toEncoded(),
                 (base + u"/index.php?id=invite-a-friend&user_email="_s + PlusEmail).toUtf8());
    }

    void globalChatAndWhispersBothWays() {
        TMainForm &w = *t.form;
        QVERIFY(receive(u"You joined channel Global."_s));
        type(u"hello"_s);
        QVERIFY(w.ChatEdit->isHidden() && w.ChatSendPending);
        QVERIFY(t.chatRound());
        QVERIFY(m_bob->receive(u"[Global] Plus: hello"_s));
        m_bob->post(u"Send!"_s, u"Global"_s, u"hi plus"_s);
        QVERIFY(receive(u"[Global] Bob: hi plus"_s));
        QCOMPARE(t.sounds->lastPlayed(), u"SndMessage"_s);

        type(u"/w Bob see you"_s);
        QVERIFY(t.chatRound());
        QVERIFY(m_bob->receive(u"[w] Plus: see you"_s));
        m_bob->post(u"Whisper"_s, {}, u"psst"_s, u"Plus"_s);
        QVERIFY(receive(u"[w] Bob: psst"_s));
        QCOMPARE(t.sounds->lastPlayed(), u"SndMessageWhisper"_s);
    }

    void channelsAndLocalCommands() {
        TMainForm &w = *t.form;
        type(u"/join lobby"_s);
        QVERIFY(receive(u"You joined channel lobby."_s));
        m_bob->post(u"Join!"_s, u"lobby"_s);
        m_bob->post(u"Send!"_s, u"lobby"_s, u"in the lobby"_s);
        QVERIFY(receive(u"[lobby] Bob: in the lobby"_s));

        // Local commands send nothing.
        type(u"/version"_s);
        QVERIFY(t.chat().endsWith(u"Weave Version :  1.0.0.8"_s));
        QVERIFY(!w.ChatSendPending);
        type(u"/clearall"_s);
        QVERIFY(t.chat().isEmpty());

        // The panel hides 4 s after the last line, counted again from each line.
        w.ChatSay("one");
        QVERIFY(!w.ChatPanel->isHidden() && w.ChatPanelTimer->isActive());
        QCOMPARE(w.ChatPanelTimer->interval(), 4000);
        w.ChatPanelTimerTimer();
        QVERIFY(w.ChatPanel->isHidden());
    }

    void adPagesRotateOverVerifiedHttps() {
        TMainForm &w = *t.form;
        QVERIFY(w.ADSBrowser && w.ADSTimer->isActive());
        w.ADSTimer->stop(); // the test turns the pages itself
        // Pages run in a window on screen and in use.
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QApplication::setActiveWindow(&w);
        QWidget *view = w.ADSBrowser;
        // The first page, loaded by the login, is the service's own, over HTTPS.
        QTRY_COMPARE_WITH_TIMEOUT(title(view), u"Starfall Drift - now on Quillbarrow"_s, 60000);
        QSignalSpy loads(view, SIGNAL(loadFinished(bool)));
        for (const int expected : {2, 3}) {
            loads.clear();
            w.ADSTimerTimer();
            QCOMPARE(view->property("url").toString(),
                     u"%1/ads/ad%2.php"_s.arg(serviceUrl(m_service)).arg(expected));
            QTRY_VERIFY_WITH_TIMEOUT(!loads.isEmpty(), 60000);
            QVERIFY(loads.last().at(0).toBool());
        }
        QTRY_COMPARE_WITH_TIMEOUT(title(view), u"Hexbound - Sigil Puzzles"_s, 10000);
        // One web view, made by the first page and kept for the next.
        QCOMPARE(w.ADSBrowser.data(), view);
        const QList<QWidget *> children = w.ADS->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        QCOMPARE(std::count_if(children.cbegin(), children.cend(),
                               [](const QWidget *c) { return c->inherits("QWebEngineView"); }),
                 1);

        // Fewer pages announced than the one shown: back to the first.
        QVERIFY(admin(m_service, {u"set"_s, u"counts"_s, u"2"_s, u"2"_s}));
        QTRY_VERIFY_WITH_TIMEOUT(t.serverCheck() && w.AdCount == 2, 10000);
        loads.clear();
        w.ADSTimerTimer();
        QCOMPARE(w.AdIndex, 1u);
        QTRY_VERIFY_WITH_TIMEOUT(!loads.isEmpty(), 60000);

        // A page nobody can see is frozen; the rotation goes on and the page due comes up when the
        // window is seen again.
        QObject *page = nullptr;
        for (QObject *child : view->children())
            page = child->inherits("QWebEnginePage") ? child : page;
        const auto lifecycle = [page] { return page->property("lifecycleState").toInt(); };
        QCOMPARE(lifecycle(), 0);
        w.showMinimized();
        QTRY_COMPARE(lifecycle(), 1);
        loads.clear();
        const QUrl shown = view->property("url").toUrl();
        w.ADSTimerTimer();
        QCOMPARE(view->property("url").toUrl(), shown);
        w.showNormal();
        QApplication::setActiveWindow(&w);
        QTRY_COMPARE(lifecycle(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!loads.isEmpty(), 60000);
        QCOMPARE(view->property("url").toUrl(), w.AdPageUrl(w.AdIndex));

        // The news pictures cycle through the announced count.
        t.navigate(1);
        w.NewsTimer->stop();
        for (const int n : {2, 1}) {
            w.NewsTimerTimer();
            QCOMPARE(w.News->picture().toImage(), t.picture("News" + QByteArray::number(n)));
        }
    }

    void aPageUnderAnUnknownIssuerIsRefused() {
        TMainForm &w = *t.form;
        TestCertificates certificates;
        const TestCertificates::Identity stranger =
            certificates.fromThrowawayCa(u"DNS:localhost,IP:127.0.0.1"_s);
        QVERIFY2(stranger.error.isEmpty(), qPrintable(stranger.error));
        ScriptedServer server(
            [](const ScriptedServer::Request &) {
                return ScriptedServer::Answer{
                    ScriptedServer::response(200, "OK", "<html><head><title>stranger</title></head></html>",
                                             "Content-Type: text/html\r\n"),
                    0, true};
            },
            stranger);
        QApplication::setActiveWindow(&w);
        QSignalSpy loads(w.ADSBrowser, SIGNAL(loadFinished(bool)));
        w.SetAdPage(QUrl(QString::fromLatin1(server.url("/"))));
        QTRY_VERIFY_WITH_TIMEOUT(!loads.isEmpty(), 60000);
        QCOMPARE(loads.last().at(0).toBool(), false);
        QVERIFY(title(w.ADSBrowser) != u"stranger"_s);
    }

    void loginSession() {
        TestWindow a;
        a.serviceUrl = serviceUrl(m_service);
        QVERIFY(a.start());
        TMainForm &w = *a.form;
        // Refused locally: no check has told that the service is up.
        QVERIFY(!a.logIn(AnnEmail, AnnPassword));
        QVERIFY(a.chat().endsWith(u"Server Is OFFLINE !"_s));
        QVERIFY(a.serverCheck());
        QCOMPARE(w.TXTServerState->text(), u"ONLINE"_s);
        QCOMPARE(w.Library.LatestVersion[12], "2.2"_ba);

        w.CheckBoxSave->setChecked(true);
        QVERIFY(a.logIn(u"Ann@Example.COM"_s, AnnPassword));
        QCOMPARE(w.TXTEMail->text(), AnnEmail);
        QVERIFY(w.AutoLoginArmed && !w.PanelHome->isHidden() && !w.LogOutBtn->isHidden());
        QVERIFY(a.chat().endsWith(u"Welcome Ann.\nType '/?' to display commands."_s));

        // The service's log-out keeps what the player saved, and the engine tick logs in again by itself.
        QVERIFY(admin(m_service, {u"set"_s, u"state"_s, u"off"_s}));
        QTRY_VERIFY_WITH_TIMEOUT(a.serverCheck() && w.ServerState == "OFF", 10000);
        QVERIFY(!w.LoggedIn && w.CurrentPanel == 0);
        QVERIFY(w.AutoLoginArmed && w.CheckBoxSave->isChecked());
        QVERIFY(admin(m_service, {u"set"_s, u"state"_s, u"on"_s}));
        QTRY_VERIFY_WITH_TIMEOUT((a.tick(500), w.LoggedIn), 20000);
        QCOMPARE(w.CurrentPanel, quint16(1));
        // Kicked, the login goes and so does what was saved.
        QVERIFY(admin(m_service, {u"user"_s, u"kick"_s, AnnEmail}));
        QTRY_VERIFY_WITH_TIMEOUT(a.serverCheck() && !w.LoggedIn, 10000);
        QVERIFY(!w.AutoLoginArmed && !w.CheckBoxSave->isChecked() && w.EMailEdit->text().isEmpty());

        // The password shown in clear is masked again by the log-out.
        QVERIFY(a.logIn(AnnEmail, AnnPassword));
        w.ShowPassClick();
        QCOMPARE(w.PasswordEdit->echoMode(), QLineEdit::Normal);
        w.LogOutBtnClick();
        QCOMPARE(w.PasswordEdit->echoMode(), QLineEdit::Password);
        QVERIFY(!w.LoggedIn && !w.LogInForm->isHidden());
        QTRY_VERIFY2(a.chat().contains(u"LogOff successful."_s), qPrintable(a.chat()));
        StringGrid grid;
        QVERIFY(!loadSavedLoginTable(grid, a.folder.path()).login.saved);

        // A wrong password: the error cue, and the login disarmed.
        w.AutoLoginArmed = true;
        QVERIFY(!a.logIn(AnnEmail, u"not the password"_s));
        QVERIFY(a.chat().endsWith(u"Wrong Username or Password!"_s));
        QCOMPARE(a.sounds->lastPlayed(), u"SndError"_s);
        QVERIFY(!w.AutoLoginArmed);
    }

    void aNewerLauncherOnTheServiceForcesLogOut() {
        TestWindow a;
        QVERIFY(start(a));
        TMainForm &w = *a.form;
        QVERIFY(a.logIn(AnnEmail, AnnPassword));
        QVERIFY(admin(m_service, versions(u"1.0.0.9"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(a.serverCheck() && w.ServerLauncherVersion == "1.0.0.9", 10000);
        QVERIFY(!w.BtnUpdate->isHidden() && !w.LoggedIn);
        // Armed, but every retry is refused locally and disarms.
        a.tick(500);
        QVERIFY(a.chat().endsWith(u"You need to Update Quillbarrow !"_s));
        QVERIFY(!w.AutoLoginArmed);
        QVERIFY(admin(m_service, versions(u"1.0.0.8"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(a.serverCheck() && w.ServerLauncherVersion == "1.0.0.8", 10000);
        QVERIFY(w.BtnUpdate->isHidden());
    }

    // Last: the service goes away for good.
    void aSilentServiceShowsUnavailable() {
        TestWindow a;
        QVERIFY(start(a));
        TMainForm &w = *a.form;
        QVERIFY(a.logIn(AnnEmail, AnnPassword));
        QCOMPARE(m_service.stop(), 0);
        // The chat and the check go unanswered together.
        w.ChatSendPending = false;
        w.PostChat();
        w.PostServerCheck();
        QTRY_VERIFY_WITH_TIMEOUT(w.ChatIdle, 6000);
        QVERIFY(a.chat().endsWith(u"Can't reach the chat server !"_s));
        QTRY_VERIFY_WITH_TIMEOUT(w.ServerCheckIdle, 6000);
        QCOMPARE(w.TXTServerState->text(), u"Unavaiable"_s);
        QVERIFY(!w.LoggedIn && !w.LogInForm->isHidden());
        // Dropped without a farewell: the service could not hear it.
        QVERIFY(!a.chat().contains(u"Bye bye"_s));

        // A login post that gets no reply: only logged, and tried again while armed.
        w.ServerState = "ON";
        w.ServerLauncherVersion = w.LauncherVersion;
        w.BtnLogInClick();
        QVERIFY(w.LoginTO->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(!w.LoginTO->isActive(), 6000);
        QVERIFY(a.chat().endsWith(u"LogIn server time out!"_s));
        QVERIFY(w.AutoLoginArmed);
    }
};

QTEST_MAIN(OnlineTest)
#include "OnlineTest.moc"
