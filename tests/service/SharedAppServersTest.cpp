#include "PgCluster.h"
#include "ServiceHarness.h"
#include "lib/ServiceAdmin.h"

#include <QElapsedTimer>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList kEmails = {u"ann@example.org"_s, u"ben@example.org"_s, u"cat@example.org"_s};

QByteArray told(ServiceHarness &h, const QString &email, const QString &id) {
    return h.check(email, id).mid(4, 3);
}

} // namespace

// Two app servers on one PostgreSQL database behave as one: any request may reach either of them.
class SharedAppServersTest : public QObject {
    Q_OBJECT

    ServiceHarness m_a;
    ServiceHarness m_b;
    ServiceHarness *m_server[2] = {&m_a, &m_b};

private Q_SLOTS:
    void initTestCase() {
        if (!ServiceHarness::onPostgres())
            QSKIP("needs QUILLBARROW_TEST_DATABASE=postgresql");
        if (const QString why = ServiceHarness::backendProblem(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QCOMPARE(m_a.start(kEmails), QString());
        m_b.m_address = m_a.m_address;
        QCOMPARE(m_b.start(), QString());
    }

    void sessionsAndTheirEndsReachEveryAppServer() {
        ServiceHarness::Granted ann = m_a.logIn(kEmails[0]);
        QVERIFY(ann);
        QCOMPARE(told(m_b, kEmails[0], ann.id), QByteArray("OK|"));
        QCOMPARE(m_b.logOff({}, ann.id), QByteArray("LogOffOK!"));
        // The other app server hears of it from PostgreSQL within moments.
        QTRY_COMPARE_WITH_TIMEOUT(told(m_a, kEmails[0], ann.id), QByteArray("LO|"), 1000);

        // The admin command's kick and disable, and a log-in through the other app server.
        ann = m_a.logIn(kEmails[0]);
        const ServiceHarness::Granted ben = m_b.logIn(kEmails[1]);
        QCOMPARE(told(m_a, kEmails[1], ben.id), QByteArray("OK|"));
        QCOMPARE(told(m_b, kEmails[0], ann.id), QByteArray("OK|"));
        ServiceAdmin admin(m_a.adminStore());
        QVERIFY(admin.kickUser(kEmails[0]).ok());
        QVERIFY(admin.disableUser(kEmails[1]).ok());
        for (ServiceHarness *h : m_server) {
            QTRY_COMPARE_WITH_TIMEOUT(told(*h, kEmails[0], ann.id), QByteArray("LO|"), 1000);
            QTRY_COMPARE_WITH_TIMEOUT(told(*h, kEmails[1], ben.id), QByteArray("LO|"), 1000);
        }
        QCOMPARE(m_a.login(kEmails[1]), QByteArray("AccDisabled!"));
        QVERIFY(admin.setState(false).ok());
        QTRY_VERIFY_WITH_TIMEOUT(m_b.check(kEmails[0], {}).startsWith("OFF|"), 1000);
        QVERIFY(admin.setState(true).ok());
        for (ServiceHarness *h : m_server)
            QTRY_VERIFY_WITH_TIMEOUT(h->check(kEmails[0], {}).startsWith("ON!|"), 1000);
    }

    // Ann and Cat talk; each request goes to the other app server than the one before.
    void chatReachesEveryPlayerOnceInOrder() {
        const QString emails[2] = {kEmails[0], kEmails[2]};
        const QByteArray names[2] = {"Ann", "Cat"};
        QString ids[2];
        QList<QByteArray> seen[2], expected[2];
        int turn = 0;
        const auto say = [&](int who, const QString &command, const QString &text = {},
                             const QString &to = {}) {
            const QByteArray reply = m_server[turn++ % 2]->chat(ids[who], command, u"Global"_s, text, to);
            for (const QByteArray &line : reply.split('\n')) {
                if (!line.isEmpty() && !line.startsWith("[System]"))
                    seen[who].append(line);
            }
        };
        for (int p : {0, 1}) {
            ids[p] = m_server[p]->logIn(emails[p]).id;
            say(p, u"Join!"_s);
        }
        for (int i = 0; i < 30; ++i) {
            const int who = i % 3 == 0 ? 1 : 0;
            const QByteArray n = QByteArray::number(i);
            if (i % 5 == 4) {
                say(who, u"Whisper"_s, QString::fromLatin1(n), QString::fromLatin1(names[1 - who]));
                expected[who].append("[w] To " + names[1 - who] + ": " + n);
                expected[1 - who].append("[w] " + names[who] + ": " + n);
            } else {
                say(who, u"Send!"_s, QString::fromLatin1(n));
                for (int p : {0, 1})
                    expected[p].append("[Global] " + names[who] + ": " + n);
            }
            say(i % 2, u"CheckChat"_s);
        }
        for (int i = 0; i < 4; ++i)
            say(i % 2, u"CheckChat"_s);
        QCOMPARE(seen[0], expected[0]);
        QCOMPARE(seen[1], expected[1]);
    }

    // While PostgreSQL is away requests fail fast with error replies, nobody is logged out, and
    // everything works again soon after it is back.
    void databaseRestartIsSurvived() {
        QVERIFY(ServiceAdmin(m_a.adminStore()).enableUser(kEmails[1]).ok());
        const ServiceHarness::Granted ben = m_a.logIn(kEmails[1]); // not yet known to m_b
        QString why;
        PgCluster *cluster = PgCluster::shared(&why);
        QCOMPARE(cluster->stop(), QString());
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(m_b.check(kEmails[1], ben.id), QByteArray("Error!"));
        QCOMPARE(m_b.login(kEmails[2]), QByteArray("Error!"));
        QVERIFY(m_b.chat(ben.id, u"CheckChat"_s).startsWith("[System] The chat is not available"));
        QCOMPARE_LT(timer.elapsed(), 2000);
        QCOMPARE(cluster->start(), QString());
        for (ServiceHarness *h : m_server)
            QTRY_COMPARE_WITH_TIMEOUT(told(*h, kEmails[1], ben.id), QByteArray("OK|"), 5000);
        QVERIFY(m_b.logIn(kEmails[2]));
        QCOMPARE(m_b.chat(ben.id, u"Join!"_s, u"After"_s), QByteArray("[System] You joined channel After."));
    }
};

QTEST_GUILESS_MAIN(SharedAppServersTest)
#include "SharedAppServersTest.moc"
