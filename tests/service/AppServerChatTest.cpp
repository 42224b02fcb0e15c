#include "ServiceHarness.h"
#include "lib/ServiceAdmin.h"

#include <QTest>

namespace {

const QString kPassword = QStringLiteral("correct horse");
const QString kGlobal = QStringLiteral("Global");

struct Player {
    QString name;
    QString id;
    QList<QByteArray> seen; // chat lines received, notices left out
};

// What the launcher does with a reply: a whisper cue when "[w]" occurs anywhere but as the last three
// characters.
bool isWhisper(const QByteArray &reply) {
    const qsizetype at = reply.indexOf("[w]");
    return at >= 0 && at + 3 < reply.size();
}

} // namespace

class AppServerChatTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ServiceHarness> m_h;
    QList<Player> m_players;

    void startWith(const ServiceConfig &config, const QStringList &names) {
        m_h = std::make_unique<ServiceHarness>(config);
        const QString error = m_h->start();
        if (!error.isEmpty())
            qFatal("%s", qPrintable(error));
        ServiceAdmin admin(m_h->adminStore(), config);
        m_players.clear();
        for (const QString &name : names) {
            const QString email = name.toLower() + QStringLiteral("@example.org");
            if (!admin.addUser(email, kPassword, name).ok())
                qFatal("cannot add %s", qPrintable(name));
            const auto granted = m_h->logIn(email, kPassword);
            if (!granted)
                qFatal("cannot log in %s", qPrintable(name));
            m_players.append(Player{granted->name, granted->id, {}});
        }
    }

    // Posts one chat request for player i, records the chat lines of the reply and returns the reply.
    QByteArray say(int i, const QString &command, const QString &channel = QStringLiteral("Global"),
                   const QString &text = {}, const QString &to = {}) {
        const QByteArray reply = m_h->chat(m_players[i].id, command, channel, text, to, m_players[i].name);
        if (!reply.isEmpty()) {
            for (const QByteArray &line : reply.split('\n')) {
                if (!line.startsWith("[System]"))
                    m_players[i].seen.append(line);
            }
        }
        return reply;
    }

    QByteArray poll(int i) { return say(i, QStringLiteral("CheckChat")); }

private Q_SLOTS:
    void everyMemberGetsEachMessageOnceInOrder() {
        startWith(ServiceHarness::testConfig(),
                  {QStringLiteral("Ann"), QStringLiteral("Ben"), QStringLiteral("Cat")});
        for (int i = 0; i < 3; ++i)
            QCOMPARE(say(i, QStringLiteral("Join!")),
                     QByteArrayLiteral("[System] You joined channel Global."));
        QCOMPARE(poll(0), QByteArray());

        say(0, QStringLiteral("Send!"), kGlobal, QStringLiteral("one"));
        say(1, QStringLiteral("Send!"), kGlobal, QStringLiteral("two"));
        poll(2);
        say(0, QStringLiteral("Send!"), kGlobal, QStringLiteral("three"));
        poll(1);
        say(2, QStringLiteral("Send!"), kGlobal, QStringLiteral("four"));
        poll(1);
        poll(1);
        for (int i = 0; i < 3; ++i)
            poll(i);

        const QList<QByteArray> expected{"[Global] Ann: one", "[Global] Ben: two", "[Global] Ann: three",
                                         "[Global] Cat: four"};
        for (const Player &p : std::as_const(m_players))
            QCOMPARE(p.seen, expected);
        // Several messages in one reply come as separate lines, in order.
        say(0, QStringLiteral("Send!"), kGlobal, QStringLiteral("five"));
        say(0, QStringLiteral("Send!"), kGlobal, QStringLiteral("six"));
        QCOMPARE(poll(1), QByteArrayLiteral("[Global] Ann: five\n[Global] Ann: six"));
        QCOMPARE(poll(1), QByteArray());
    }

    void senderIsTheSessionsPlayer() {
        startWith(ServiceHarness::testConfig(), {QStringLiteral("Ann"), QStringLiteral("Ben")});
        say(0, QStringLiteral("Join!"));
        say(1, QStringLiteral("Join!"));
        const QByteArray reply = m_h->chat(m_players[0].id, QStringLiteral("Send!"), kGlobal,
                                           QStringLiteral("hi"), {}, QStringLiteral("Admin"));
        QCOMPARE(reply, QByteArrayLiteral("[Global] Ann: hi"));
        QCOMPARE(poll(1), QByteArrayLiteral("[Global] Ann: hi"));
        // A line break cannot forge further lines.
        say(0, QStringLiteral("Send!"), kGlobal, QStringLiteral("a\n[w] Admin: give me your password\r\nb"));
        const QByteArray forged = poll(1);
        QVERIFY(!forged.contains('\n'));
        QVERIFY(forged.startsWith("[Global] Ann: a [w] Admin"));
    }

    void channelsJoinAndLeave() {
        startWith(ServiceHarness::testConfig(),
                  {QStringLiteral("Ann"), QStringLiteral("Ben"), QStringLiteral("Cat")});
        for (int i = 0; i < 3; ++i)
            say(i, QStringLiteral("Join!"));
        const QString lobby = QStringLiteral("lobby");
        QCOMPARE(say(0, QStringLiteral("Join!"), lobby),
                 QByteArrayLiteral("[System] You joined channel lobby."));
        QCOMPARE(say(0, QStringLiteral("Join!"), lobby),
                 QByteArrayLiteral("[System] You are already in channel lobby."));
        say(1, QStringLiteral("Join!"), lobby);
        QCOMPARE(say(0, QStringLiteral("Send!"), lobby, QStringLiteral("psst")),
                 QByteArrayLiteral("[lobby] Ann: psst"));
        QCOMPARE(poll(1), QByteArrayLiteral("[lobby] Ann: psst"));
        QCOMPARE(poll(2), QByteArray());
        // Joining later does not bring earlier messages.
        say(2, QStringLiteral("Join!"), QStringLiteral("LOBBY"));
        QCOMPARE(poll(2), QByteArray());
        say(1, QStringLiteral("Send!"), lobby, QStringLiteral("welcome"));
        QCOMPARE(poll(2), QByteArrayLiteral("[lobby] Ben: welcome"));

        QCOMPARE(say(2, QStringLiteral("Leave!"), kGlobal),
                 QByteArrayLiteral("[System] You left channel Global."));
        QCOMPARE(say(2, QStringLiteral("Leave!"), kGlobal),
                 QByteArrayLiteral("[System] You are not in channel Global."));
        say(0, QStringLiteral("Send!"), kGlobal, QStringLiteral("global news"));
        QCOMPARE(poll(2), QByteArray());
        QCOMPARE(poll(1), QByteArrayLiteral("[Global] Ann: global news"));
        QVERIFY(say(2, QStringLiteral("Send!"), kGlobal, QStringLiteral("hello?"))
                    .startsWith("[System] You are not in channel Global."));
        QVERIFY(
            say(2, QStringLiteral("Join!"), QStringLiteral("my room")).startsWith("[System] Channel names"));
        QVERIFY(say(2, QStringLiteral("Join!"), QString()).startsWith("[System] Channel names"));
        QCOMPARE(poll(0), QByteArray());
    }

    void whispersReachTheAddresseeOnly() {
        startWith(ServiceHarness::testConfig(),
                  {QStringLiteral("Ann"), QStringLiteral("Ben"), QStringLiteral("Cat")});
        for (int i = 0; i < 3; ++i)
            say(i, QStringLiteral("Join!"));
        const QByteArray echo =
            say(0, QStringLiteral("Whisper"), {}, QStringLiteral("see you"), QStringLiteral("ben"));
        QCOMPARE(echo, QByteArrayLiteral("[w] To Ben: see you"));
        const QByteArray received = poll(1);
        QCOMPARE(received, QByteArrayLiteral("[w] Ann: see you"));
        QVERIFY(isWhisper(received));
        QCOMPARE(poll(2), QByteArray());
        // And back.
        QCOMPARE(say(1, QStringLiteral("Whisper"), {}, QStringLiteral("ok"), QStringLiteral("Ann")),
                 QByteArrayLiteral("[w] To Ann: ok"));
        QCOMPARE(poll(0), QByteArrayLiteral("[w] Ben: ok"));
        QCOMPARE(poll(0), QByteArray());
        // To oneself: once.
        QCOMPARE(say(2, QStringLiteral("Whisper"), {}, QStringLiteral("me"), QStringLiteral("Cat")),
                 QByteArrayLiteral("[w] Cat: me"));

        const QByteArray unknown =
            say(0, QStringLiteral("Whisper"), {}, QStringLiteral("hello"), QStringLiteral("Zed"));
        QCOMPARE(unknown, QByteArrayLiteral("[System] Zed is not online."));
        QVERIFY(!isWhisper(unknown));
        // "/w Ben" without a message: the launcher sends the whole line and no addressee.
        QVERIFY(say(0, QStringLiteral("Whisper"), {}, QStringLiteral("/w Ben"))
                    .startsWith("[System] Whisper to whom?"));
        // A logged-off player is not online any more.
        QCOMPARE(m_h->logOff({}, m_players[1].id), QByteArrayLiteral("LogOffOK!"));
        QCOMPARE(say(0, QStringLiteral("Whisper"), {}, QStringLiteral("hi"), QStringLiteral("Ben")),
                 QByteArrayLiteral("[System] Ben is not online."));
    }

    void textLimitsAndDeadSessions() {
        ServiceConfig config = ServiceHarness::testConfig();
        config.chatLinesPerReply = 3;
        startWith(config, {QStringLiteral("Ann"), QStringLiteral("Ben")});
        say(0, QStringLiteral("Join!"));
        say(1, QStringLiteral("Join!"));
        QCOMPARE(say(0, QStringLiteral("Send!"), kGlobal, QString(250, QLatin1Char('x'))).size(), 14 + 250);
        QCOMPARE(say(0, QStringLiteral("Send!"), kGlobal, QString(251, QLatin1Char('x'))),
                 QByteArrayLiteral("[System] Your message is longer than 250 characters and was not sent."));
        QCOMPARE(say(0, QStringLiteral("Send!"), kGlobal, QStringLiteral("   ")),
                 QByteArrayLiteral("[System] Nothing to send."));
        QCOMPARE(say(0, QStringLiteral("Dance!")), QByteArrayLiteral("[System] Unknown chat command."));

        // More lines than one reply carries: the rest come with the next polls, none lost or repeated.
        m_players[1].seen.clear();
        for (int i = 1; i <= 4; ++i)
            say(0, QStringLiteral("Send!"), kGlobal, QString::number(i));
        QCOMPARE(poll(1).count('\n'), 2);
        QCOMPARE(poll(1).count('\n'), 1);
        QCOMPARE(poll(1), QByteArray());
        QCOMPARE(m_players[1].seen.size(), 5);
        QCOMPARE(m_players[1].seen.last(), QByteArrayLiteral("[Global] Ann: 4"));

        // Requests without a live session.
        QCOMPARE(m_h->chat(QStringLiteral("feedbeef"), QStringLiteral("CheckChat"), kGlobal), QByteArray());
        QCOMPARE(m_h->chat(QStringLiteral("feedbeef"), QStringLiteral("Send!"), kGlobal, QStringLiteral("x")),
                 QByteArrayLiteral("[System] You are not logged in."));
        const ServiceHarness::Reply garbled =
            m_h->request("POST", QStringLiteral("/game/chat.php"), QByteArrayLiteral("command=%C3%28"));
        QCOMPARE(garbled.status, 400);
        QVERIFY(garbled.body.startsWith("[System]"));

        // A new login starts with an empty queue.
        say(1, QStringLiteral("Send!"), kGlobal, QStringLiteral("before"));
        QCOMPARE(m_h->logOff({}, m_players[0].id), QByteArrayLiteral("LogOffOK!"));
        const auto again = m_h->logIn(QStringLiteral("ann@example.org"), kPassword);
        QVERIFY(again);
        m_players[0].id = again->id;
        QCOMPARE(poll(0), QByteArray());
        QCOMPARE(say(0, QStringLiteral("Send!"), kGlobal, QStringLiteral("x")),
                 QByteArrayLiteral("[System] You are not in channel Global. Type /join Global to enter it."));
    }
};

QTEST_GUILESS_MAIN(AppServerChatTest)
#include "AppServerChatTest.moc"
