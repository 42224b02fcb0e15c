// The `quillbarrow-service` command without a running service: usage, the data folder that init
// lays out, its refusals, the admin commands, and init from an installed tree.
#include "RunningService.h"
#include "lib/ServiceStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QSslKey>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Outcome = RunningService::Outcome;

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

private Q_SLOTS:
    void usageErrorsExitWithTwo_data();
    void usageErrorsExitWithTwo();
    void helpExitsWithZero();
    void initLaysOutThePrivateDataFolder();
    void initRefusesAnExistingFolderAndForceKeepsAccounts();
    void initLeavesForeignFoldersAlone();
    void adminCommandsNeedAnInitialisedFolder();
    void adminCommandsValidateAndReport();
    void installedTreeUsesItsOwnCaAndDemoContent();
};

void ServiceCommandTest::usageErrorsExitWithTwo_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    const QString d = QStringLiteral("/tmp/quillbarrow-unused");
    QTest::newRow("nothing") << QStringList{} << QStringLiteral("no command");
    QTest::newRow("unknown command") << QStringList{QStringLiteral("frobnicate")}
                                     << QStringLiteral("unknown command");
    QTest::newRow("init without data") << QStringList{QStringLiteral("init")} << QStringLiteral("--data");
    QTest::newRow("data without value")
        << QStringList{QStringLiteral("init"), QStringLiteral("--data")} << QStringLiteral("needs a value");
    QTest::newRow("unsafe path") << QStringList{QStringLiteral("init"), QStringLiteral("--data"),
                                                QStringLiteral("/tmp/a$b")}
                                 << QStringLiteral("must not contain");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("status"), QStringLiteral("--data"), d,
                                                   QStringLiteral("--verbose")}
                                    << QStringLiteral("unknown option");
    QTest::newRow("force on serve") << QStringList{QStringLiteral("serve"), QStringLiteral("--data"), d,
                                                   QStringLiteral("--force")}
                                    << QStringLiteral("unknown option");
    QTest::newRow("port out of range") << QStringList{QStringLiteral("serve"), QStringLiteral("--data"), d,
                                                      QStringLiteral("--port"), QStringLiteral("70000")}
                                       << QStringLiteral("--port");
    QTest::newRow("port not a number")
        << QStringList{QStringLiteral("serve"), QStringLiteral("--data"), d, QStringLiteral("--port=abc")}
        << QStringLiteral("--port");
    QTest::newRow("user without action")
        << QStringList{QStringLiteral("user"), QStringLiteral("--data"), d} << QStringLiteral("add, disable");
    QTest::newRow("user add short") << QStringList{QStringLiteral("user"), QStringLiteral("add"),
                                                   QStringLiteral("--data"), d,
                                                   QStringLiteral("a@example.com")}
                                    << QStringLiteral("EMAIL PASSWORD NAME");
    QTest::newRow("thirteen versions")
        << (QStringList{QStringLiteral("set"), QStringLiteral("versions"), QStringLiteral("--data"), d} +
            QStringList(13, QStringLiteral("1.0")))
        << QStringLiteral("14 versions");
    QTest::newRow("counts not numbers")
        << QStringList{QStringLiteral("set"),   QStringLiteral("counts"), QStringLiteral("--data"), d,
                       QStringLiteral("three"), QStringLiteral("4")}
        << QStringLiteral("two numbers");
    QTest::newRow("counts negative") << QStringList{QStringLiteral("set"),    QStringLiteral("counts"),
                                                    QStringLiteral("--data"), d,
                                                    QStringLiteral("--"),     QStringLiteral("-1"),
                                                    QStringLiteral("4")}
                                     << QStringLiteral("two numbers");
    QTest::newRow("state maybe") << QStringList{QStringLiteral("set"), QStringLiteral("state"),
                                                QStringLiteral("--data"), d, QStringLiteral("maybe")}
                                 << QStringLiteral("on or off");
    QTest::newRow("unknown setting") << QStringList{QStringLiteral("set"), QStringLiteral("colour"),
                                                    QStringLiteral("--data"), d}
                                     << QStringLiteral("unknown setting");
}

void ServiceCommandTest::usageErrorsExitWithTwo() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Outcome outcome = RunningService::run(arguments);
    QVERIFY2(outcome.exitCode == 2, qPrintable(outcome.describe()));
    QVERIFY2(outcome.err.contains(message), qPrintable(outcome.describe()));
    QVERIFY(outcome.err.contains(u"quillbarrow-service help"));
    QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/quillbarrow-unused")));
}

void ServiceCommandTest::helpExitsWithZero() {
    const Outcome overview = RunningService::run({QStringLiteral("help")});
    QCOMPARE(overview.exitCode, 0);
    for (const char *command :
         {"init", "serve", "user add", "user disable", "set versions", "set counts", "set state", "status"})
        QVERIFY2(overview.out.contains(QLatin1String(command)), command);
    const Outcome one = RunningService::run({QStringLiteral("serve"), QStringLiteral("--help")});
    QCOMPARE(one.exitCode, 0);
    QVERIFY(one.out.startsWith(u"Usage: quillbarrow-service serve"));
}

void ServiceCommandTest::initLaysOutThePrivateDataFolder() {
    QTemporaryDir temp;
    const QString data = temp.filePath(QStringLiteral("new/data"));
    const Outcome outcome = RunningService::run({QStringLiteral("init"), QStringLiteral("--data"), data});
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));
    QVERIFY(outcome.out.contains(QStringLiteral("serve --data ") + data));
    const QDir dir(data);

    for (const char *file : {"service.db", "service.ini", "tls/cert.pem", "tls/key.pem", "nginx/nginx.conf"})
        QVERIFY2(QFileInfo(dir.filePath(QLatin1String(file))).isFile(), file);
    for (const char *folder : {"nginx/logs", "nginx/temp", "www/download", "www/ads", "www/site"})
        QVERIFY2(QFileInfo(dir.filePath(QLatin1String(folder))).isDir(), folder);
    // nginx -t must not leave a pid file that would look like a running nginx.
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("nginx/nginx.pid"))));

    const QFile::Permissions privateFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    const QFile::Permissions privateFile = QFile::ReadOwner | QFile::WriteOwner;
    QCOMPARE(ownerGroupOther(data), privateFolder);
    QCOMPARE(ownerGroupOther(dir.filePath(QStringLiteral("tls"))), privateFolder);
    QCOMPARE(ownerGroupOther(dir.filePath(QStringLiteral("tls/key.pem"))), privateFile);
    QCOMPARE(ownerGroupOther(dir.filePath(QStringLiteral("service.db"))), privateFile);

    // Every path in nginx's configuration lies inside the data folder.
    const QString config = QString::fromUtf8(readFile(dir.filePath(QStringLiteral("nginx/nginx.conf"))));
    static const QRegularExpression quotedPath(QStringLiteral("\"(/[^\"]*)\""));
    int paths = 0;
    for (const QRegularExpressionMatch &match : quotedPath.globalMatch(config)) {
        QVERIFY2(match.captured(1).startsWith(data + u'/'), qPrintable(match.captured(1)));
        ++paths;
    }
    QVERIFY(paths >= 10);
    QVERIFY(!config.contains(u"/var/"));
    QVERIFY(!config.contains(u"/run/"));

    const QList<QSslCertificate> certs =
        QSslCertificate::fromPath(dir.filePath(QStringLiteral("tls/cert.pem")));
    QCOMPARE(certs.size(), 1);
    const QSslCertificate &cert = certs.first();
    const auto names = cert.subjectAlternativeNames();
    QCOMPARE(names.values(QSsl::DnsEntry), QList<QString>{QStringLiteral("localhost")});
    const QList<QString> ips = names.values(QSsl::IpAddressEntry);
    QVERIFY(ips.contains(QStringLiteral("127.0.0.1")));
    QVERIFY(ips.contains(QStringLiteral("0:0:0:0:0:0:0:1")) || ips.contains(QStringLiteral("::1")));
    QCOMPARE(cert.publicKey().algorithm(), QSsl::Ec);
    const QList<QSslCertificate> ca = QSslCertificate::fromPath(RunningService::caCertificatePath());
    QCOMPARE(ca.size(), 1);
    QCOMPARE(cert.issuerDisplayName(), ca.first().subjectDisplayName());
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QVERIFY(cert.effectiveDate() <= now.addSecs(60));
    QVERIFY(cert.expiryDate() > now.addDays(390) && cert.expiryDate() < now.addDays(398));
    // The certificate verifies against the build's CA alone.
    QProcess verify;
    verify.start(QStringLiteral("openssl"),
                 {QStringLiteral("verify"), QStringLiteral("-CAfile"), RunningService::caCertificatePath(),
                  dir.filePath(QStringLiteral("tls/cert.pem"))});
    QVERIFY(verify.waitForFinished(60000));
    QCOMPARE(verify.exitCode(), 0);

    QString error;
    const std::unique_ptr<ServiceStore> store =
        ServiceStore::open(dir.filePath(QStringLiteral("service.db")), &error);
    QVERIFY2(store, qPrintable(error));
    const std::optional<ServiceSettings> settings = store->settings(&error);
    QVERIFY2(settings, qPrintable(error));
    QVERIFY(settings->online);
}

void ServiceCommandTest::initRefusesAnExistingFolderAndForceKeepsAccounts() {
    RunningService service;
    QString error = service.init();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const Outcome added =
        service.admin({QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("keep@example.com"),
                       QStringLiteral("a long password"), QStringLiteral("Keeper")});
    QVERIFY2(added.exitCode == 0, qPrintable(added.describe()));
    const QString certPath = QDir(service.dataDir()).filePath(QStringLiteral("tls/cert.pem"));
    const QByteArray oldCert = readFile(certPath);
    const QByteArray ini = readFile(QDir(service.dataDir()).filePath(QStringLiteral("service.ini")));

    const Outcome again =
        RunningService::run({QStringLiteral("init"), QStringLiteral("--data"), service.dataDir()});
    QCOMPARE(again.exitCode, 1);
    QVERIFY2(again.err.contains(u"--force"), qPrintable(again.describe()));
    QCOMPARE(readFile(certPath), oldCert);

    const Outcome forced = RunningService::run(
        {QStringLiteral("init"), QStringLiteral("--force"), QStringLiteral("--data"), service.dataDir()});
    QVERIFY2(forced.exitCode == 0, qPrintable(forced.describe()));
    QVERIFY(readFile(certPath) != oldCert);
    QCOMPARE(readFile(QDir(service.dataDir()).filePath(QStringLiteral("service.ini"))), ini);

    const std::unique_ptr<ServiceStore> store =
        ServiceStore::open(QDir(service.dataDir()).filePath(QStringLiteral("service.db")), &error);
    QVERIFY2(store, qPrintable(error));
    const std::optional<Account> account = store->accountByEmail(QStringLiteral("keep@example.com"), &error);
    QVERIFY2(account, qPrintable(error));
    QCOMPARE(account->name, QStringLiteral("Keeper"));

    // Not while the service runs on it.
    error = service.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const Outcome busy = RunningService::run(
        {QStringLiteral("init"), QStringLiteral("--force"), QStringLiteral("--data"), service.dataDir()});
    QCOMPARE(busy.exitCode, 1);
    QVERIFY2(busy.err.contains(u"stop it first"), qPrintable(busy.describe()));
    QCOMPARE(service.stop(), 0);
}

void ServiceCommandTest::initLeavesForeignFoldersAlone() {
    QTemporaryDir temp;
    QVERIFY(writeFile(temp.filePath(QStringLiteral("notes.txt")), "mine"));
    for (const bool force : {false, true}) {
        QStringList arguments = {QStringLiteral("init"), QStringLiteral("--data"), temp.path()};
        if (force)
            arguments << QStringLiteral("--force");
        const Outcome outcome = RunningService::run(arguments);
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY2(outcome.err.contains(u"holds no service data"), qPrintable(outcome.describe()));
        QCOMPARE(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("notes.txt")});
    }
}

void ServiceCommandTest::adminCommandsNeedAnInitialisedFolder() {
    QTemporaryDir temp;
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("status")},
          QStringList{QStringLiteral("set"), QStringLiteral("state"), QStringLiteral("on")},
          QStringList{QStringLiteral("user"), QStringLiteral("disable"), QStringLiteral("x@example.com")},
          QStringList{QStringLiteral("serve")}}) {
        const qsizetype words = arguments.size() == 1 ? 1 : 2;
        QStringList full = arguments.mid(0, words);
        full << QStringLiteral("--data") << temp.path() << arguments.mid(words);
        const Outcome outcome = RunningService::run(full);
        QVERIFY2(outcome.exitCode == 1, qPrintable(outcome.describe()));
        QVERIFY2(outcome.err.contains(u"init --data"), qPrintable(outcome.describe()));
        QVERIFY(QDir(temp.path()).isEmpty());
    }
}

void ServiceCommandTest::adminCommandsValidateAndReport() {
    RunningService service;
    const QString error = service.init();
    QVERIFY2(error.isEmpty(), qPrintable(error));

    // A password read from standard input stays out of the process list.
    Outcome outcome =
        service.admin({QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("Ann@Example.com"),
                       QStringLiteral("-"), QStringLiteral("Ann")},
                      "from standard input\n");
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));
    outcome = service.admin({QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("ann@example.com"),
                             QStringLiteral("another password"), QStringLiteral("Ann2")});
    QCOMPARE(outcome.exitCode, 1);
    QVERIFY(!outcome.err.isEmpty());
    outcome = service.admin(
        {QStringLiteral("user"), QStringLiteral("disable"), QStringLiteral("nobody@example.com")});
    QCOMPARE(outcome.exitCode, 1);
    QVERIFY(outcome.err.contains(u"nobody@example.com"));
    outcome =
        service.admin({QStringLiteral("user"), QStringLiteral("disable"), QStringLiteral("ann@example.com")});
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));
    outcome =
        service.admin({QStringLiteral("user"), QStringLiteral("enable"), QStringLiteral("ann@example.com")});
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));

    // A version with the reply's separators would corrupt every check reply.
    QStringList bad = QStringList(14, QStringLiteral("1.0"));
    bad[3] = QStringLiteral("1|0");
    outcome = service.admin(QStringList{QStringLiteral("set"), QStringLiteral("versions")} + bad);
    QCOMPARE(outcome.exitCode, 1);

    outcome = service.admin(
        {QStringLiteral("set"), QStringLiteral("counts"), QStringLiteral("12"), QStringLiteral("3")});
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));
    outcome = service.admin({QStringLiteral("set"), QStringLiteral("state"), QStringLiteral("off")});
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));
    outcome = service.admin({QStringLiteral("status")});
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));
    QVERIFY2(outcome.out.contains(QRegularExpression(QStringLiteral("State: +off"))),
             qPrintable(outcome.out));
    QVERIFY(outcome.out.contains(QRegularExpression(QStringLiteral("Ads: +12"))));
    QVERIFY(outcome.out.contains(QRegularExpression(QStringLiteral("News: +3"))));
    QVERIFY(outcome.out.contains(QRegularExpression(QStringLiteral("Online: +0"))));
}

void ServiceCommandTest::installedTreeUsesItsOwnCaAndDemoContent() {
    QTemporaryDir prefix;
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(QUILLBARROW_CMAKE_COMMAND),
                  {QStringLiteral("--install"), QStringLiteral(QUILLBARROW_BINARY_DIR),
                   QStringLiteral("--prefix"), prefix.path(), QStringLiteral("--component"),
                   QStringLiteral("quillbarrow_service")});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());

    const QDir root(prefix.path());
    const QString program = root.filePath(QStringLiteral("bin/quillbarrow-service"));
    QVERIFY(QFileInfo(program).isExecutable());
    QCOMPARE(ownerGroupOther(root.filePath(QStringLiteral("share/quillbarrow/ca/ca.key"))),
             QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(readFile(root.filePath(QStringLiteral("share/quillbarrow/ca/ca.pem"))),
             readFile(RunningService::caCertificatePath()));

    // Demo content where the installed tree keeps it (normally installed with the demo).
    const QDir demo(root.filePath(QStringLiteral("share/quillbarrow/demo")));
    QVERIFY(writeFile(demo.filePath(QStringLiteral("download/Demo.zip")), "zip bytes"));
    QVERIFY(writeFile(demo.filePath(QStringLiteral("download/updates/Demo.U.1.1.zip")), "update"));
    QVERIFY(writeFile(demo.filePath(QStringLiteral("ads/ad1.php")), "<html>ad</html>"));
    QVERIFY(writeFile(demo.filePath(QStringLiteral("site/site.css")), "p {}"));
    QVERIFY(writeFile(QDir(prefix.path()).filePath(QStringLiteral("elsewhere.txt")), "not content"));
    QVERIFY(QFile::link(QDir(prefix.path()).filePath(QStringLiteral("elsewhere.txt")),
                        demo.filePath(QStringLiteral("download/link.zip"))));
    QStringList versions = {QStringLiteral("1.0.0.8")};
    for (int game = 0; game < 13; ++game)
        versions << QStringLiteral("1.%1").arg(game);
    QVERIFY(writeFile(demo.filePath(QStringLiteral("announced.ini")),
                      "# demo\nversions=" + versions.join(u'^').toUtf8() + "\nads=5\nnews=4\n"));

    const QString data = root.filePath(QStringLiteral("data"));
    Outcome outcome =
        RunningService::run({QStringLiteral("init"), QStringLiteral("--data"), data}, {}, program);
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));
    QVERIFY2(outcome.out.contains(root.filePath(QStringLiteral("share/quillbarrow/ca/ca.pem"))),
             qPrintable(outcome.out));
    QVERIFY2(!outcome.err.contains(u"warning"), qPrintable(outcome.err));
    const QDir www(QDir(data).filePath(QStringLiteral("www")));
    QCOMPARE(readFile(www.filePath(QStringLiteral("download/Demo.zip"))), QByteArray("zip bytes"));
    QCOMPARE(readFile(www.filePath(QStringLiteral("download/updates/Demo.U.1.1.zip"))), QByteArray("update"));
    QCOMPARE(readFile(www.filePath(QStringLiteral("ads/ad1.php"))), QByteArray("<html>ad</html>"));
    QCOMPARE(readFile(www.filePath(QStringLiteral("site/site.css"))), QByteArray("p {}"));
    QVERIFY(!QFileInfo::exists(www.filePath(QStringLiteral("download/link.zip"))));

    outcome = RunningService::run({QStringLiteral("status"), QStringLiteral("--data"), data}, {}, program);
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));
    QVERIFY2(outcome.out.contains(versions.join(u'^')), qPrintable(outcome.out));
    QVERIFY(outcome.out.contains(QRegularExpression(QStringLiteral("Ads: +5"))));
    QVERIFY(outcome.out.contains(QRegularExpression(QStringLiteral("News: +4"))));

    // A broken announcement is reported; init still lays the folder out.
    QVERIFY(writeFile(demo.filePath(QStringLiteral("announced.ini")), "versions=1.0^2.0\nads=5\nnews=4\n"));
    const QString second = root.filePath(QStringLiteral("data2"));
    outcome = RunningService::run({QStringLiteral("init"), QStringLiteral("--data"), second}, {}, program);
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));
    QVERIFY2(outcome.err.contains(u"announced.ini:1"), qPrintable(outcome.err));
}

QTEST_GUILESS_MAIN(ServiceCommandTest)
#include "ServiceCommandTest.moc"
