#include "HttpsProbe.h"
#include "PgCluster.h"
#include "RunningService.h"

#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

const QStringList kNames = {u"Ann"_s, u"Ben"_s, u"Cat"_s};

QString email(int player) {
    return kNames[player].toLower() + u"@example.org"_s;
}

} // namespace

// `serve --workers 2` on PostgreSQL: nginx spreads the players over two app server processes, and
// one killed with SIGKILL is started again without a chat line lost or doubled.
class ServiceWorkersTest : public QObject {
    Q_OBJECT

    RunningService m_service;
    QString m_ids[3];
    QList<QByteArray> m_seen[3];
    int m_failures[3] = {};

    HttpsProbe::Reply post(int player, const QByteArray &path, QList<std::pair<QString, QString>> form) {
        const HttpsProbe probe(u"localhost"_s, m_service.port(), RunningService::trustingConfiguration());
        const HttpsProbe::Reply reply = probe.postForm(path, form);
        if (reply.status != 200)
            ++m_failures[player];
        return reply;
    }
    bool chat(int player, const QString &command, const QString &text = {}) {
        const HttpsProbe::Reply reply = post(player, "/game/chat.php",
                                             {{u"command"_s, command},
                                              {u"channel"_s, u"Global"_s},
                                              {u"chattext"_s, text},
                                              {u"loginid"_s, m_ids[player]}});
        for (const QByteArray &line : reply.body.split('\n')) {
            if (!line.isEmpty() && !line.startsWith("[System]"))
                m_seen[player].append(line);
        }
        return reply.status == 200;
    }
    QList<qint64> appServers() {
        QList<qint64> pids = RunningService::childrenOf(m_service.servePid());
        pids.removeAll(m_service.nginxMasterPid());
        return pids;
    }

private Q_SLOTS:
    void initTestCase() {
        QString why;
        PgCluster *cluster = PgCluster::shared(&why);
        if (!cluster)
            QSKIP(qPrintable(why));
        QCOMPARE(m_service.init(), QString());
        // SQLite: one app server only, and serve says why.
        m_service.setServeArguments({u"--workers"_s, u"2"_s});
        const RunningService::Outcome refused = RunningService::run(
            {u"serve"_s, u"--data"_s, m_service.dataDir(), u"--port"_s, u"1"_s, u"--workers"_s, u"2"_s});
        QVERIFY2(refused.exitCode == 1 &&
                     refused.err.contains(u"needs a database that several processes share"),
                 qPrintable(refused.describe()));

        const QString address = cluster->createDatabase(u"workers"_s, &why);
        QVERIFY2(!address.isEmpty(), qPrintable(why));
        QCOMPARE(m_service.init({u"--force"_s, u"--database"_s, address}), QString());
        for (int p = 0; p < 3; ++p) {
            const RunningService::Outcome added =
                m_service.admin({u"user"_s, u"add"_s, email(p), u"pw-12345"_s, kNames[p]});
            QVERIFY2(added.exitCode == 0, qPrintable(added.describe()));
        }
        QCOMPARE(m_service.start(), QString());
        QCOMPARE(appServers().size(), 2);
    }

    void killedAppServerLosesNoChatLine() {
        for (int p = 0; p < 3; ++p) {
            const QByteArray granted = post(p, "/game/login.server.php",
                                            {{u"message"_s, u"LogIn Request."_s},
                                             {u"email"_s, email(p)},
                                             {u"password"_s, u"pw-12345"_s}})
                                           .body;
            QVERIFY2(granted.startsWith("LogIn Granted!|"), granted.constData());
            m_ids[p] = QString::fromUtf8(granted.mid(granted.lastIndexOf('|') + 1));
            QVERIFY(chat(p, u"Join!"_s));
        }
        QList<QByteArray> expected;
        for (int round = 0; round < 24; ++round) {
            if (round == 8) {
                const qint64 victim = appServers().first();
                QVERIFY(::kill(static_cast<pid_t>(victim), SIGKILL) == 0);
                QTRY_VERIFY_WITH_TIMEOUT(appServers().size() == 2 && !appServers().contains(victim), 10000);
            }
            const int who = round % 3;
            const QByteArray line = "[Global] " + kNames[who].toUtf8() + ": m" + QByteArray::number(round);
            // A send that failed may or may not have gone out; drop its line if it did.
            if (chat(who, u"Send!"_s, u"m%1"_s.arg(round)))
                expected.append(line);
            else
                for (QList<QByteArray> &seen : m_seen)
                    seen.removeOne(line);
            chat((round + 1) % 3, u"CheckChat"_s);
        }
        for (int p = 0; p < 3; ++p) {
            QVERIFY(chat(p, u"CheckChat"_s));
            QCOMPARE(m_seen[p], expected);
            QVERIFY2(m_failures[p] <= 1,
                     qPrintable(u"%1 failed requests for %2"_s.arg(m_failures[p]).arg(p)));
        }
    }

    void cleanupTestCase() { QCOMPARE(m_service.stop(), 0); }
};

QTEST_GUILESS_MAIN(ServiceWorkersTest)
#include "ServiceWorkersTest.moc"
