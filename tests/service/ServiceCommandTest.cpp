// The real `quillbarrow-service` command: the data folder init lays out and guards, the HTTPS front of one
// service run, and each way that run can end without leaving nginx behind.
#include "HttpsProbe.h"
#include "RunningService.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Outcome = RunningService::Outcome;

const QByteArray kSecret = "SECRET-MARKER-outside-the-web-root";
const QString kTester = u"tester@example.com"_s;

// "init --data DIR" → the argument list, with dir for DIR.
QStringList args(const QString &line, const QString &dir = {}) {
    return line.split(u' ', Qt::SkipEmptyParts).replaceInStrings(u"DIR"_s, dir);
}

bool writeFile(const QString &path, const QByteArray &data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QFile::Permissions ownerGroupOther(const QString &path) {
    // QFileInfo reports the owner's bits twice (ReadOwner and ReadUser); compare the real ones.
    return QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

} // namespace

class ServiceCommandTest : public QObject {
    Q_OBJECT

    RunningService m_service;

    QString data(const QString &name = {}) const { return QDir(m_service.dataDir()).filePath(name); }
    HttpsProbe probe(const QString &host = u"localhost"_s) const {
        return HttpsProbe(host, m_service.port(), RunningService::trustingConfiguration());
    }
    QByteArray check(const QString &id = u"0"_s) const {
        return probe()
            .postForm("/game/check.server.php", {{u"message"_s, u"Keep Me Loged!"_s}, {u"loginid"_s, id}})
            .body;
    }
    QByteArray login() const {
        const QString password = u"correct horse"_s;
        return probe()
            .postForm("/game/login.server.php",
                      {{u"message"_s, u"LogIn Request."_s}, {u"email"_s, kTester}, {u"password"_s, password}})
            .body;
    }
    void verifyAdmin(const QStringList &arguments) {
        const Outcome outcome = m_service.admin(arguments);
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));
    }
    void verifyNothingLeft(qint64 master) {
        QTRY_VERIFY_WITH_TIMEOUT(RunningService::groupMembers(master).isEmpty(), 30000);
        QVERIFY(RunningService::processesMentioning(m_service.dataDir()).isEmpty());
    }

private Q_SLOTS:
    void initTestCase() {
        const QString error = m_service.init();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(writeFile(data(u"secret.txt"_s), kSecret));
        QVERIFY(writeFile(QDir(m_service.tempDir()).filePath(u"secret.txt"_s), kSecret));
        QVERIFY(QFile::link(data(u"secret.txt"_s), data(u"www/download/Linked.zip"_s)));
        // A password read from standard input stays out of the process list.
        const Outcome added =
            m_service.admin(args(u"user add "_s + kTester + u" - Tester"_s), "correct horse\n");
        QVERIFY2(added.exitCode == 0, qPrintable(added.describe()));
        const QString startError = m_service.start();
        QVERIFY2(startError.isEmpty(), qPrintable(startError));
    }

    // Usage errors exit with 2; the commands that need service data leave a folder without it untouched.
    void refusals_data() {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing") << QString() << 2 << u"no command"_s;
        QTest::newRow("unknown command") << u"frobnicate"_s << 2 << u"unknown command"_s;
        QTest::newRow("unsafe path") << u"init --data DIR/a$b"_s << 2 << u"must not contain"_s;
        QTest::newRow("port out of range") << u"serve --data DIR --port 70000"_s << 2 << u"--port"_s;
        QTest::newRow("init") << u"init --data DIR"_s << 1 << u"holds no service data"_s;
        QTest::newRow("init --force") << u"init --force --data DIR"_s << 1 << u"holds no service data"_s;
        QTest::newRow("serve") << u"serve --data DIR"_s << 1 << u"init --data"_s;
        QTest::newRow("user disable") << u"user disable --data DIR a@example.com"_s << 1 << u"init --data"_s;
    }

    void refusals() {
        QFETCH(QString, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir foreign;
        QVERIFY(writeFile(foreign.filePath(u"notes.txt"_s), "mine"));
        const Outcome outcome = RunningService::run(args(arguments, foreign.path()));
        QVERIFY2(outcome.exitCode == exitCode && outcome.err.contains(message),
                 qPrintable(outcome.describe()));
        QCOMPARE(QDir(foreign.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{u"notes.txt"_s});
    }

    void dataFolderIsPrivateAndGuarded() {
        QCOMPARE(ownerGroupOther(data()), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(ownerGroupOther(data(u"tls/key.pem"_s)), QFile::ReadOwner | QFile::WriteOwner);
        const QByteArray cert = readFile(data(u"tls/cert.pem"_s));
        for (const auto &[command, refusal] : {std::pair{u"init --data DIR"_s, u"--force"_s},
                                               {u"init --force --data DIR"_s, u"stop it first"_s},
                                               {u"serve --port 1 --data DIR"_s, u"already runs"_s}}) {
            const Outcome outcome = RunningService::run(args(command, data()));
            QVERIFY2(outcome.exitCode == 1 && outcome.err.contains(refusal), qPrintable(outcome.describe()));
        }
        QCOMPARE(readFile(data(u"tls/cert.pem"_s)), cert);
    }

    void traversalNeverLeavesTheWebRoot_data() {
        QTest::addColumn<QByteArray>("target");
        QTest::newRow("dot dot") << QByteArray("/download/../secret.txt");
        QTest::newRow("encoded dots") << QByteArray("/download/%2E%2E/%2e%2e/secret.txt");
        QTest::newRow("encoded slash") << QByteArray("/download/..%2F..%2fsecret.txt");
        QTest::newRow("backslashes") << QByteArray("/download/..\\..\\secret.txt");
        QTest::newRow("absolute") << QByteArray("/download//etc/passwd");
        QTest::newRow("absolute data path") << "/download/" + data(u"secret.txt"_s).toUtf8();
        QTest::newRow("site") << QByteArray("/site/%2e%2e/%2e%2e/secret.txt");
        QTest::newRow("link out of the root") << QByteArray("/download/Linked.zip");
    }

    void traversalNeverLeavesTheWebRoot() {
        QFETCH(QByteArray, target);
        const HttpsProbe::Reply reply = probe().send("GET", target);
        QVERIFY2(reply.connected, qPrintable(reply.error));
        QVERIFY2(reply.status == 404 || reply.status == 400, qPrintable(QString::number(reply.status)));
        QVERIFY(!reply.body.contains(kSecret) && !reply.body.contains("root:x:0:0"));
    }

    // The certificate names the loopback host and address and verifies with the build's CA alone.
    void tlsFrontIsTrustedOnlyWithTheCa() {
        for (const QString &host : {u"localhost"_s, u"127.0.0.1"_s})
            QVERIFY2(probe(host).send("GET", "/").connected, qPrintable(host));
        const HttpsProbe::Reply refused =
            HttpsProbe(u"localhost"_s, m_service.port(), QSslConfiguration::defaultConfiguration())
                .send("GET", "/");
        QVERIFY(!refused.connected && !refused.sslErrors.isEmpty());
    }

    void adminCommandsReachTheRunningService() {
        const QByteArray granted = login();
        QVERIFY2(granted.startsWith("LogIn Granted!|Tester|"), granted.constData());
        const QString loginId = QString::fromUtf8(granted.mid(granted.lastIndexOf('|') + 1));
        QCOMPARE(check(loginId).mid(4, 3), QByteArray("OK|"));
        const QString versions = u"1.0.0.9 2.0 2.1 2.2 2.3 2.4 NoVer 2.6 2.7 2.8 2.9 2.10 2.11 2.12"_s;
        verifyAdmin(args(u"set versions "_s + versions));
        verifyAdmin(args(u"set counts 7 2"_s));
        verifyAdmin(args(u"set state off"_s));
        QTRY_COMPARE_WITH_TIMEOUT(check().remove(4, 3),
                                  "OFF|0007|002|" + QString(versions).replace(u' ', u'^').toUtf8(), 30000);
        verifyAdmin(args(u"set state on"_s));
        QTRY_VERIFY_WITH_TIMEOUT(check().startsWith("ON!|"), 30000);

        verifyAdmin(args(u"user disable "_s + kTester));
        QTRY_COMPARE_WITH_TIMEOUT(check(loginId).mid(4, 3), QByteArray("LO|"), 30000);
        QCOMPARE(login(), QByteArray("AccDisabled!"));
        verifyAdmin(args(u"user enable "_s + kTester));
        QVERIFY(login().startsWith("LogIn Granted!|"));
        // nginx refuses a body far beyond what any form needs before the app server reads it.
        QCOMPARE(probe().send("POST", "/game/chat.php", QByteArray(256 * 1024, 'a')).status, 413);
    }

    void stopLeavesNothingRunning() {
        const qint64 master = m_service.nginxMasterPid();
        QTRY_VERIFY_WITH_TIMEOUT(m_service.nginxPids().size() >= 2, 30000);
        QCOMPARE(RunningService::childrenOf(m_service.servePid()), QList<qint64>{master});
        QCOMPARE(m_service.stop(), 0);
        verifyNothingLeft(master);
        // nginx flushed its log on the way out: logins are in it, the launchers' frequent checks are not.
        const QByteArray log = readFile(data(u"nginx/logs/access.log"_s));
        QVERIFY(log.contains("\"POST /game/login.server.php HTTP/1.1\" 200"));
        QVERIFY(!log.contains("POST /game/check.server.php"));
    }

    void killedNginxStopsTheService() {
        // A certificate from another CA (here self-signed), as after the build tree's CA was remade.
        const QString selfSigned =
            u"req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj /CN=localhost "
            u"-keyout DIR/key.pem -out DIR/cert.pem"_s;
        QCOMPARE(QProcess::execute(u"openssl"_s, args(selfSigned, data(u"tls"_s))), 0);
        const QString error = m_service.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(m_service.serveOutput().contains("Issuing a new service certificate"));
        QVERIFY(check().startsWith("ON!|"));

        // The master dies without stopping its workers; serve must notice and clear the rest.
        const qint64 master = m_service.nginxMasterPid();
        QTRY_VERIFY_WITH_TIMEOUT(m_service.nginxPids().size() >= 2, 30000);
        QCOMPARE(QProcess::execute(u"kill"_s, {u"-KILL"_s, QString::number(master)}), 0);
        QVERIFY(m_service.serveProcess().waitForFinished(60000));
        QCOMPARE(m_service.serveProcess().exitCode(), 1);
        QVERIFY((m_service.serveOutput() + m_service.serveProcess().readAll()).contains("nginx was killed"));
        verifyNothingLeft(master);
    }

    void killedServeTakesNginxWithIt() {
        const QString error = m_service.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const qint64 master = m_service.nginxMasterPid();
        QTRY_VERIFY_WITH_TIMEOUT(m_service.nginxPids().size() >= 2, 30000);
        // SIGKILL leaves serve no chance to clean up; the kernel's parent-death signal does it.
        m_service.serveProcess().kill();
        QVERIFY(m_service.serveProcess().waitForFinished(60000));
        verifyNothingLeft(master);
    }

    void installedTreeInitsWithItsOwnCaAndDemoContent() {
        QTemporaryDir root;
        auto at = [&](const QString &path) { return root.filePath(path); };
        const QString install =
            u"--install " QUILLBARROW_BINARY_DIR " --component quillbarrow_service --prefix DIR"_s;
        QCOMPARE(QProcess::execute(QStringLiteral(QUILLBARROW_CMAKE_COMMAND), args(install, root.path())), 0);
        QCOMPARE(ownerGroupOther(at(u"share/quillbarrow/ca/ca.key"_s)), QFile::ReadOwner | QFile::WriteOwner);
        // Demo content where an installed tree keeps it (the demo package puts it there), and a link out.
        const QString demo = at(u"share/quillbarrow/demo/"_s);
        for (const QString &file :
             {u"download/updates/Demo.U.1.1.zip"_s, u"ads/ad1.php"_s, u"site/site.css"_s})
            QVERIFY(writeFile(demo + file, file.toUtf8()));
        QVERIFY(QFile::link(at(u"share/quillbarrow/ca/ca.key"_s), demo + u"download/key.zip"_s));
        const QByteArray versions = "1.0.0.8^1.0^1.1^1.2^1.3^1.4^1.5^1.6^1.7^1.8^1.9^1.10^1.11^1.12";
        QVERIFY(writeFile(demo + u"announced.ini"_s, "# demo\nversions=" + versions + "\nads=5\nnews=4\n"));

        const QString program = at(u"bin/quillbarrow-service"_s);
        Outcome outcome = RunningService::run(args(u"init --data DIR/data"_s, root.path()), {}, program);
        QVERIFY2(outcome.exitCode == 0 && !outcome.err.contains(u"warning"), qPrintable(outcome.describe()));
        // Its certificate comes from the installed CA, which is the build's.
        QVERIFY(outcome.out.contains(at(u"share/quillbarrow/ca/ca.pem"_s)));
        QCOMPARE(readFile(at(u"share/quillbarrow/ca/ca.pem"_s)),
                 readFile(RunningService::caCertificatePath()));
        QCOMPARE(readFile(at(u"data/www/download/updates/Demo.U.1.1.zip"_s)),
                 "download/updates/Demo.U.1.1.zip");
        QVERIFY(!QFileInfo::exists(at(u"data/www/download/key.zip"_s)));
        outcome = RunningService::run(args(u"status --data DIR/data"_s, root.path()), {}, program);
        QVERIFY2(outcome.out.contains(QString::fromUtf8(versions)) && outcome.out.contains(u"Ads:      5"),
                 qPrintable(outcome.out));
    }
};

QTEST_GUILESS_MAIN(ServiceCommandTest)
#include "ServiceCommandTest.moc"
