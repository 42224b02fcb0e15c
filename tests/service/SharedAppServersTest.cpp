#include "HttpsProbe.h"
#include "PgCluster.h"
#include "RunningService.h"
#include "ServiceHarness.h"
#include "lib/ServiceAdmin.h"

#include <QElapsedTimer>
#include <QTest>
#include <csignal>

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
    RunningService m_service;
    QString m_ids[3];
    QList<QByteArray> m_seen[3];
    int m_failures[3] = {};

    // A launcher's post through serve's nginx; counts failures and keeps the chat lines of replies.
    bool post(int player, const QByteArray &path, const QList<std::pair<QString, QString>> &form) {
        const HttpsProbe::Reply reply =
            HttpsProbe(u"localhost"_s, m_service.port(), RunningService::trustingConfiguration())
                .postForm(path, form);
        m_failures[player] += reply.status != 200;
        for (const QByteArray &line : reply.body.split('\n')) {
            if (path == "/game/chat.php" && !line.isEmpty() && !line.startsWith("[System]"))
                m_seen[player].append(line);
            if (line.startsWith("LogIn Granted!|"))
                m_ids[player] = QString::fromUtf8(line.mid(line.lastIndexOf('|') + 1));
        }
        return reply.status == 200;
    }
    bool chat(int player, const QString &command, const QString &text = {}, const QString &to = {}) {
        return post(player, "/game/chat.php",
                    {{u"command"_s, command},
                     {u"channel"_s, u"Global"_s},
                     {u"chattext"_s, text},
                     {u"wshpto"_s, to},
                     {u"loginid"_s, m_ids[player]}});
    }
    QList<qint64> appServers() {
        QList<qint64> pids = RunningService::childrenOf(m_service.servePid());
        pids.removeAll(m_service.nginxMasterPid());
        return pids;
    }

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

    // serve --workers 2: nginx spreads three players over two app server processes; one killed with
    // SIGKILL is started again, each player sees at most one failed request and every line arrives
    // once, in order, whispers too.
    void killedAppServerLosesNoChatLine() {
        QCOMPARE(m_service.init(), QString());
        const QStringList serve{u"serve"_s, u"--data"_s, m_service.dataDir(), u"--workers"_s, u"2"_s};
        const RunningService::Outcome refused = RunningService::run(serve); // SQLite: one app server only
        QVERIFY2(refused.exitCode == 1 &&
                     refused.err.contains(u"needs a database that several processes share"),
                 qPrintable(refused.describe()));
        QCOMPARE(m_service.init({u"--force"_s, u"--database"_s, m_a.m_address}), QString());
        m_service.setServeArguments({u"--workers"_s, u"2"_s});
        QCOMPARE(m_service.start(), QString());
        QCOMPARE(appServers().size(), 2);
        const QByteArray names[3] = {"Ann", "Ben", "Cat"};
        for (int p = 0; p < 3; ++p) {
            post(p, "/game/login.server.php",
                 {{u"message"_s, u"LogIn Request."_s},
                  {u"email"_s, kEmails[p]},
                  {u"password"_s, ServiceHarness::kPassword}});
            QVERIFY(chat(p, u"Join!"_s));
        }
        QList<QByteArray> expected[3];
        for (int round = 0; round < 24; ++round) {
            if (round == 8) {
                const qint64 victim = appServers().first();
                QVERIFY(::kill(static_cast<pid_t>(victim), SIGKILL) == 0);
                QTRY_VERIFY_WITH_TIMEOUT(appServers().size() == 2 && !appServers().contains(victim), 10000);
            }
            const int who = round % 3, to = (round + 1) % 3;
            const QByteArray n = QByteArray::number(round);
            const bool whisper = round % 4 == 3;
            const QList<std::pair<int, QByteArray>> lines =
                whisper ? QList<std::pair<int, QByteArray>>{{to, "[w] " + names[who] + ": " + n},
                                                            {who, "[w] To " + names[to] + ": " + n}}
                        : QList<std::pair<int, QByteArray>>{{0, "[Global] " + names[who] + ": " + n},
                                                            {1, "[Global] " + names[who] + ": " + n},
                                                            {2, "[Global] " + names[who] + ": " + n}};
            // A send that failed may or may not have gone out: its lines are left out of the comparison.
            const bool sent =
                whisper ? chat(who, u"Whisper"_s, QString::fromLatin1(n), QString::fromLatin1(names[to]))
                        : chat(who, u"Send!"_s, QString::fromLatin1(n));
            for (const auto &[p, line] : lines)
                sent ? expected[p].append(line) : void(m_seen[p].removeOne(line));
            chat(to, u"CheckChat"_s);
        }
        for (int p = 0; p < 3; ++p) {
            QVERIFY(chat(p, u"CheckChat"_s));
            QCOMPARE(m_seen[p], expected[p]);
            QVERIFY2(m_failures[p] <= 1,
                     qPrintable(u"%1 failed requests for player %2"_s.arg(m_failures[p]).arg(p)));
        }
        QCOMPARE(m_service.stop(), 0);
    }
};

QTEST_GUILESS_MAIN(SharedAppServersTest)
#include "SharedAppServersTest.moc"
