#include "HttpsProbe.h"
#include "OnlineWindow.h"
#include "RunningService.h"
#include "gui/controls/PictureControl.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace {

constexpr int WaitMs = 10000;

// A second player speaking the chat protocol, one synchronous post at a time.
class ChatPeer {
public:
    explicit ChatPeer(const RunningService &service)
        : m_probe(QStringLiteral("localhost"), service.port(), RunningService::trustingConfiguration()) {}

    bool logIn(const QString &email, const QString &password) {
        const HttpsProbe::Reply reply = m_probe.postForm(
            "/game/login.server.php", {{QStringLiteral("message"), QStringLiteral("LogIn Request.")},
                                       {QStringLiteral("email"), email},
                                       {QStringLiteral("password"), password}});
        if (!reply.body.startsWith("LogIn Granted!|"))
            return false;
        const QList<QByteArray> fields = reply.body.split('|');
        m_name = QString::fromUtf8(fields.value(1));
        m_id = QString::fromUtf8(fields.value(2));
        return true;
    }

    void post(const QString &command, const QString &channel, const QString &text = {},
              const QString &to = {}) {
        const HttpsProbe::Reply reply =
            m_probe.postForm("/game/chat.php", {{QStringLiteral("username"), m_name},
                                                {QStringLiteral("command"), command},
                                                {QStringLiteral("channel"), channel},
                                                {QStringLiteral("chattext"), text},
                                                {QStringLiteral("wshpto"), to},
                                                {QStringLiteral("loginid"), m_id}});
        m_received += QString::fromUtf8(reply.body);
    }

    // Polls until a line holding text came in.
    bool receive(const QString &text) {
        return QTest::qWaitFor(
            [&] {
                post(QStringLiteral("CheckChat"), QStringLiteral("Global"));
                return m_received.contains(text);
            },
            WaitMs);
    }

private:
    HttpsProbe m_probe;
    QString m_name;
    QString m_id;
    QString m_received;
};

} // namespace

// The chat of a logged-in window against the real service, with a second player on the same
// service; one window and one session for the whole class.
class OnlineChatTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        const QString error = OnlineWindow::startService(m_service, 10);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        for (const auto &[email, name] :
             {std::pair{QStringLiteral("ann@example.com"), QStringLiteral("Ann")},
              std::pair{QStringLiteral("bob@example.com"), QStringLiteral("Bob")}}) {
            const RunningService::Outcome added = m_service.admin(
                {QStringLiteral("user"), QStringLiteral("add"), email, QStringLiteral("pass word"), name});
            QVERIFY2(added.exitCode == 0, qPrintable(added.describe()));
        }
        m_window = std::make_unique<OnlineWindow>(m_service);
        QVERIFY(m_window->start());
        QVERIFY(m_window->serverCheck());
        QVERIFY(m_window->logIn(QStringLiteral("ann@example.com"), QStringLiteral("pass word")));
        QVERIFY(m_window->chatRound());
        QVERIFY(m_window->chatLog().contains(u"You joined channel Global."));

        m_bob = std::make_unique<ChatPeer>(m_service);
        QVERIFY(m_bob->logIn(QStringLiteral("bob@example.com"), QStringLiteral("pass word")));
        m_bob->post(QStringLiteral("Join!"), QStringLiteral("Global"));
    }

    void globalChatBothWays() {
        TMainForm &w = m_window->form();
        type("hello");
        QCOMPARE(w.ChatCommand, QByteArray("Send!"));
        QCOMPARE(w.ChatChannel, QByteArray("Global"));
        QCOMPARE(w.ChatText, QByteArray("hello"));
        QVERIFY(w.ChatSendPending);
        QCOMPARE(w.ChatHistory[1], QByteArray("hello"));
        QVERIFY(w.ChatEdit->isHidden());
        QCOMPARE(w.ChatPanel->tag(), 0);
        QVERIFY(m_window->chatRound());
        QVERIFY(!w.ChatSendPending);
        QVERIFY(m_bob->receive(QStringLiteral("[Global] Ann: hello")));

        m_bob->post(QStringLiteral("Send!"), QStringLiteral("Global"), QStringLiteral("hi ann"));
        QVERIFY(receive(QStringLiteral("[Global] Bob: hi ann")));
        QCOMPARE(m_window->fixture.sounds->lastPlayed(), QStringLiteral("SndMessage"));
    }

    void channelsJoinAndLeave() {
        TMainForm &w = m_window->form();
        // A channel name with a blank sends nothing: the next slot only polls.
        type("/join my room");
        QVERIFY(!w.ChatSendPending);
        QVERIFY(m_window->chatRound());
        QCOMPARE(w.ChatCommand, QByteArray("CheckChat"));
        QVERIFY(!m_window->chatLog().contains(u"my room"));

        type("/join lobby");
        QCOMPARE(w.ChatCommand, QByteArray("Join!"));
        QCOMPARE(w.ChatChannel, QByteArray("lobby"));
        QVERIFY(receive(QStringLiteral("You joined channel lobby.")));
        m_bob->post(QStringLiteral("Join!"), QStringLiteral("lobby"));
        m_bob->post(QStringLiteral("Send!"), QStringLiteral("lobby"), QStringLiteral("in the lobby"));
        QVERIFY(receive(QStringLiteral("[lobby] Bob: in the lobby")));

        type("/leave lobby");
        QCOMPARE(w.ChatCommand, QByteArray("Leave!"));
        QVERIFY(receive(QStringLiteral("You left channel lobby.")));
        m_bob->post(QStringLiteral("Send!"), QStringLiteral("lobby"), QStringLiteral("anyone here?"));
        m_bob->post(QStringLiteral("Send!"), QStringLiteral("Global"), QStringLiteral("back in global"));
        QVERIFY(receive(QStringLiteral("[Global] Bob: back in global")));
        QVERIFY(!m_window->chatLog().contains(u"anyone here?"));
    }

    void whispersBothWays() {
        TMainForm &w = m_window->form();
        type("/w Bob see you");
        QCOMPARE(w.ChatCommand, QByteArray("Whisper"));
        QCOMPARE(w.ChatWhisperTo, QByteArray("Bob"));
        QVERIFY(w.ChatChannel.isEmpty());
        QCOMPARE(w.ChatText, QByteArray("see you"));
        QVERIFY(m_window->chatRound());
        QVERIFY(m_bob->receive(QStringLiteral("[w] Ann: see you")));

        m_bob->post(QStringLiteral("Whisper"), {}, QStringLiteral("psst"), QStringLiteral("Ann"));
        QVERIFY(receive(QStringLiteral("[w] Bob: psst")));
        QCOMPARE(m_window->fixture.sounds->lastPlayed(), QStringLiteral("SndMessageWhisper"));
        // "[w]" at the very end is no whisper.
        w.NetHTTPChatRequestCompleted("note [w]");
        QCOMPARE(m_window->fixture.sounds->lastPlayed(), QStringLiteral("SndMessage"));
    }

    void slashCommandsPrintAndClear() {
        TMainForm &w = m_window->form();
        type("/?");
        QVERIFY(m_window->chatLog().endsWith(
            QStringLiteral("/ver                           -> Weave Version\n"
                           "/w User Message      -> Sends private message to User\n"
                           "/clear                        -> Clears chat window.")));
        type("/version");
        QVERIFY(m_window->chatLog().endsWith(u"Weave Version :  1.0.0.8"));
        QVERIFY(!w.ChatSendPending);
        type("/clearall");
        QVERIFY(m_window->chatLog().isEmpty());

        // Esc discards the typed text and closes the input.
        w.FormKeyDown(Qt::Key_Return, {});
        QCOMPARE(w.ChatPanel->tag(), 1);
        w.ChatEdit->setText(QStringLiteral("not this"));
        w.FormKeyDown(Qt::Key_Escape, {});
        QCOMPARE(w.ChatPanel->tag(), 0);
        QVERIFY(!w.ChatSendPending);
        QVERIFY(w.ChatHistory[1] != "not this");
    }

    void historyKeysStopAtBothEnds() {
        TMainForm &w = m_window->form();
        for (int i = 1; i <= 22; ++i)
            type(QByteArray("/line ") + QByteArray::number(i));
        w.FormKeyDown(Qt::Key_Return, {});
        QCOMPARE(w.ChatHistoryPos, quint16(0));
        QTest::keyClick(w.ChatEdit, Qt::Key_Down);
        QCOMPARE(w.ChatHistoryPos, quint16(0));
        QTest::keyClick(w.ChatEdit, Qt::Key_Up);
        QCOMPARE(w.ChatEdit->text(), QStringLiteral("/line 22"));
        for (int i = 0; i < 24; ++i)
            QTest::keyClick(w.ChatEdit, Qt::Key_Up);
        QCOMPARE(w.ChatHistoryPos, quint16(19));
        QCOMPARE(w.ChatEdit->text(), QStringLiteral("/line 4"));
        for (int i = 0; i < 19; ++i)
            QTest::keyClick(w.ChatEdit, Qt::Key_Down);
        QCOMPARE(w.ChatHistoryPos, quint16(0));
        QVERIFY(w.ChatEdit->text().isEmpty());
        w.FormKeyDown(Qt::Key_Escape, {});
    }

    void panelHidesFourSecondsAfterTheLastLine() {
        TMainForm &w = m_window->form();
        QElapsedTimer sinceFirst;
        sinceFirst.start();
        w.ChatSay("one");
        QTest::qWait(1000);
        w.ChatSay("two");
        QElapsedTimer sinceLast;
        sinceLast.start();
        QVERIFY(!w.ChatPanel->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(w.ChatPanel->isHidden(), 8000);
        // The timer may fire up to 5 % early, never later than asked by much.
        QVERIFY2(sinceLast.elapsed() >= 3800, qPrintable(QString::number(sinceLast.elapsed())));
        QVERIFY(sinceFirst.elapsed() >= 4800);
        QVERIFY(m_window->chatLog().endsWith(u"one\ntwo"));

        // Many lines: the newest one is scrolled into view.
        for (int i = 0; i < 40; ++i)
            w.ChatSay("line " + QByteArray::number(i));
        QScrollBar *bar = w.ChatAll->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QTRY_COMPARE(bar->value(), bar->maximum());
    }

private:
    // Opens the input line with Enter, types the line and sends it with Enter.
    void type(const QByteArray &line) {
        TMainForm &w = m_window->form();
        w.FormKeyDown(Qt::Key_Return, {});
        QCOMPARE(w.ChatPanel->tag(), 1);
        w.ChatEdit->setText(QString::fromUtf8(line));
        w.FormKeyDown(Qt::Key_Return, {});
    }

    // Runs the poll slots until the window's log holds text.
    bool receive(const QString &text) {
        return QTest::qWaitFor([&] { return m_window->chatRound() && m_window->chatLog().contains(text); },
                               WaitMs);
    }

    RunningService m_service;
    std::unique_ptr<OnlineWindow> m_window;
    std::unique_ptr<ChatPeer> m_bob;
};

QTEST_MAIN(OnlineChatTest)
#include "OnlineChatTest.moc"
