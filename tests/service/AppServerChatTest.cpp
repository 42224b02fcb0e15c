#include "ServiceHarness.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kGlobal = u"Global"_s;
const QString kSend = u"Send!"_s;
const QString kWhisper = u"Whisper"_s;
const QStringList kEmails = {u"ann@example.org"_s, u"ben@example.org"_s, u"cat@example.org"_s};

} // namespace

// Chat through the app server: every member gets each message once and in order, whispers reach their
// addressee only, and the sender is always the session's player.
class AppServerChatTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ServiceHarness> m_h;
    QStringList m_ids;
    QList<QList<QByteArray>> m_seen; // chat lines each player received, notices left out

    // Ann, Ben and Cat, logged in and in channel Global; three lines a reply at most.
    void start() {
        m_h = std::make_unique<ServiceHarness>([](ServiceConfig &c) { c.chatLinesPerReply = 3; });
        QCOMPARE(m_h->start(kEmails), QString());
        m_ids.clear();
        m_seen = {{}, {}, {}};
        for (const QString &email : kEmails) {
            m_ids.append(m_h->logIn(email).id);
            QCOMPARE(say(m_ids.size() - 1, u"Join!"_s), QByteArray("[System] You joined channel Global."));
        }
    }

    // One chat request for player i; records the chat lines of the reply and returns it.
    QByteArray say(int i, const QString &command, const QString &channel = kGlobal, const QString &text = {},
                   const QString &to = {}) {
        const QByteArray reply = m_h->chat(m_ids[i], command, channel, text, to);
        for (const QByteArray &line : reply.split('\n')) {
            if (!line.isEmpty() && !line.startsWith("[System]"))
                m_seen[i].append(line);
        }
        return reply;
    }
    QByteArray poll(int i) { return say(i, u"CheckChat"_s); }

private Q_SLOTS:
    void initTestCase() {
        if (const QString why = ServiceHarness::backendProblem(); !why.isEmpty())
            QSKIP(qPrintable(why));
    }

    void everyMemberGetsEachMessageOnceInOrder() {
        start();
        QCOMPARE(poll(0), QByteArray());
        // Interleaved sends and polls, then more lines than a reply carries: the rest come with later polls.
        for (int i = 0; i < 12; ++i) {
            say(i < 8 ? i % 3 : 0, kSend, kGlobal, QString::number(i));
            if (i < 8)
                poll((i + 1) % 3);
        }
        QCOMPARE(poll(1).count('\n'), 2);
        for (int i = 0; i < 9; ++i)
            poll(i % 3);
        const QList<QByteArray> names{"Ann", "Ben", "Cat"};
        for (int i = 0; i < 12; ++i)
            QCOMPARE(m_seen[i % 3].at(i),
                     "[Global] " + names[i < 8 ? i % 3 : 0] + ": " + QByteArray::number(i));
        QVERIFY(m_seen[0].size() == 12 && m_seen[1] == m_seen[0] && m_seen[2] == m_seen[0]);

        // A new login starts with an empty queue and outside every channel.
        say(1, kSend, kGlobal, u"before"_s);
        QCOMPARE(m_h->logOff({}, m_ids[0]), QByteArray("LogOffOK!"));
        m_ids[0] = m_h->logIn(kEmails[0]).id;
        QCOMPARE(poll(0), QByteArray());
        QVERIFY(say(0, kSend, kGlobal, u"x"_s).startsWith("[System] You are not in channel Global."));
    }

    void channelsAndWhispersReachTheirMembersOnly() {
        start();
        QCOMPARE(say(0, u"Join!"_s, u"lobby"_s), QByteArray("[System] You joined channel lobby."));
        say(1, u"Join!"_s, u"LOBBY"_s);
        QCOMPARE(say(0, kSend, u"lobby"_s, u"psst"_s), QByteArray("[lobby] Ann: psst"));
        QCOMPARE(poll(1), QByteArray("[lobby] Ann: psst"));
        QCOMPARE(poll(2), QByteArray());
        QCOMPARE(say(2, u"Leave!"_s, kGlobal), QByteArray("[System] You left channel Global."));
        say(0, kSend, kGlobal, u"news"_s);
        QCOMPARE(poll(2), QByteArray());

        // The name the client posts is ignored, and a line break cannot forge further lines.
        QCOMPARE(m_h->chat(m_ids[0], kSend, kGlobal, u"a\n[w] Cat: hi\nb"_s, {}, u"Cat"_s),
                 QByteArray("[Global] Ann: a [w] Cat: hi b"));
        QCOMPARE(say(0, kWhisper, {}, u"see you"_s, u"ben"_s), QByteArray("[w] To Ben: see you"));
        QCOMPARE(poll(1), QByteArray("[Global] Ann: news\n[Global] Ann: a [w] Cat: hi b\n[w] Ann: see you"));
        QCOMPARE(poll(2), QByteArray());
        QCOMPARE(say(2, kWhisper, {}, u"me"_s, u"Cat"_s), QByteArray("[w] Cat: me")); // to oneself: once
        QCOMPARE(poll(2), QByteArray());
        QCOMPARE(m_h->logOff({}, m_ids[1]), QByteArray("LogOffOK!"));
        QCOMPARE(say(0, kWhisper, {}, u"hi"_s, u"Ben"_s), QByteArray("[System] Ben is not online."));
    }
};

QTEST_GUILESS_MAIN(AppServerChatTest)
#include "AppServerChatTest.moc"
