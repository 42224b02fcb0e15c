#include "cli/DataFolderSetup.h"

#include "cli/CertificateIssuer.h"
#include "cli/DemoContent.h"
#include "cli/DownloadSeals.h"
#include "cli/NginxConfig.h"
#include "lib/ServiceAdmin.h"
#include "lib/ServiceConfig.h"
#include "lib/ServiceStore.h"
#include "platform/SingleInstanceLock.h"
#include "platform/SuperUser.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

namespace {

constexpr QFile::Permissions kPrivateFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions kPrivateFile = QFile::ReadOwner | QFile::WriteOwner;

int countFiles(const QString &dir) {
    int count = 0;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++count;
    }
    return count;
}

} // namespace

DataFolderSetup::DataFolderSetup(ServiceLocations locations, QTextStream &out, QTextStream &err)
    : m_locations(std::move(locations))
    , m_out(out)
    , m_err(err) {}

int DataFolderSetup::fail(const QString &message) {
    m_err << "quillbarrow-service init: " << message << "\n";
    m_err.flush();
    return 1;
}

void DataFolderSetup::warn(const QString &message) {
    m_err << "quillbarrow-service init: warning: " << message << "\n";
    m_err.flush();
}

int DataFolderSetup::run(const DataFolder &requested, bool force, const OwnCertificate &own) {
    if (!checkTarget(requested, force))
        return 1;
    const CertificateIssuer issuer(m_locations.caCert, m_locations.caKey);
    const bool keepOwn = own.cert.isEmpty() && QFileInfo::exists(requested.operatorMarker());
    const bool issuing = own.cert.isEmpty() && !keepOwn;
    if (const std::optional<QString> problem = issuer.checkAuthority(); problem && issuing)
        return fail(*problem);

    const bool existed = QFileInfo::exists(requested.root());
    const bool fresh = !requested.isInitialised();
    // Refreshing under a running service would pull its certificate and configuration away.
    SingleInstanceLock serving(QStringLiteral("serve"), requested.root());
    if (!fresh && !serving.tryAcquire())
        return fail(serving.state() == SingleInstanceLock::State::TakenByOther
                        ? QStringLiteral("the service runs on %1; stop it first").arg(requested.root())
                        : serving.errorString());
    if (!QDir().mkpath(requested.root()))
        return fail(QStringLiteral("cannot create %1").arg(requested.root()));
    QString error;
    // Now that the folder exists, links in its path are resolved.
    const std::optional<DataFolder> data = DataFolder::fromArgument(requested.root(), &error);
    if (!data)
        return fail(error);

    const auto certify = [&] {
        return !own.cert.isEmpty() ? installOwnCertificate(*data, own)
                                   : keepOwn || issueCertificate(*data, issuer);
    };
    const bool done = makeFolders(*data) && writeSettingsAndStore(*data) && certify() &&
                      installContent(*data) && writeNginxConfig(*data);
    if (!done) {
        // A half-made folder would need --force next time; a fresh one goes back to how it was.
        if (fresh) {
            QDir(data->root()).removeRecursively();
            if (existed)
                QDir().mkpath(data->root());
        }
        return 1;
    }

    m_out << "Data folder ready: " << data->root() << "\n"
          << "  database      " << data->database() << "\n"
          << "  settings      " << data->settingsFile() << "\n"
          << "  certificate   " << data->certificate()
          << (issuing ? QStringLiteral(" (localhost, 127.0.0.1, ::1; signed by %1)").arg(m_locations.caCert)
                      : QStringLiteral(" (the operator's own)"))
          << "\n"
          << "  web content   " << data->wwwDir() << " (" << countFiles(data->wwwDir()) << " files)\n"
          << "Start it with: quillbarrow-service serve --data " << data->root() << "\n";
    m_out.flush();
    return 0;
}

bool DataFolderSetup::checkTarget(const DataFolder &data, bool force) {
    const QDir dir(data.root());
    if (!dir.exists() || dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        return true;
    if (!data.isInitialised()) {
        fail(QStringLiteral("%1 is not empty and holds no service data; choose a new or empty folder")
                 .arg(data.root()));
        return false;
    }
    if (!force) {
        fail(QStringLiteral("%1 already holds a service data folder; --force refreshes its certificate, "
                            "nginx configuration, web content and announced versions (accounts are kept)")
                 .arg(data.root()));
        return false;
    }
    return true;
}

bool DataFolderSetup::makeFolders(const DataFolder &data) {
    for (const QString &dir : {data.tlsDir(), data.nginxLogsDir(), data.nginxTempDir(), data.wwwDir()}) {
        if (!QDir().mkpath(dir)) {
            fail(QStringLiteral("cannot create %1").arg(dir));
            return false;
        }
    }
    // The database and the keys are nobody else's business; nginx's workers run as this user.
    QFile::setPermissions(data.root(), kPrivateFolder);
    QFile::setPermissions(data.tlsDir(), kPrivateFolder);
    return true;
}

bool DataFolderSetup::writeSettingsAndStore(const DataFolder &data) {
    QString error;
    std::optional<ServiceConfig> config;
    if (QFileInfo::exists(data.settingsFile())) {
        config = ServiceConfig::load(data.settingsFile(), &error);
        if (!config) {
            fail(QStringLiteral("%1: %2 (fix or remove it)").arg(data.settingsFile(), error));
            return false;
        }
    } else {
        config = ServiceConfig{};
        if (!config->save(data.settingsFile(), &error)) {
            fail(QStringLiteral("cannot write %1: %2").arg(data.settingsFile(), error));
            return false;
        }
    }

    std::unique_ptr<ServiceStore> store = ServiceStore::open(data.database(), &error);
    if (!store) {
        fail(QStringLiteral("cannot create the database %1: %2").arg(data.database(), error));
        return false;
    }
    QFile::setPermissions(data.database(), kPrivateFile);

    const DemoContent demo(m_locations.demoDir);
    const std::optional<DemoContent::Announced> announced = demo.readAnnounced(&error);
    if (!announced) {
        warn(QStringLiteral("no announced versions and counts from the demo content (%1); the service "
                            "announces what it has until `set versions` and `set counts`")
                 .arg(error));
        return true;
    }
    ServiceAdmin admin(*store, *config);
    for (const StoreResult &result :
         {admin.setVersions(announced->versions), admin.setCounts(announced->ads, announced->news)}) {
        if (!result.ok()) {
            fail(QStringLiteral("cannot store the announced versions and counts: %1").arg(result.error));
            return false;
        }
    }
    return true;
}

bool DataFolderSetup::issueCertificate(const DataFolder &data, const CertificateIssuer &issuer) {
    if (const std::optional<QString> failure = issuer.issue(data.certificate(), data.certificateKey())) {
        fail(QStringLiteral("cannot issue the service certificate: %1").arg(*failure));
        return false;
    }
    return true;
}

bool DataFolderSetup::installOwnCertificate(const DataFolder &data, const OwnCertificate &own) {
    // nginx -t at the end checks that the key belongs to the certificate.
    const std::pair<QString, QByteArray> files[] = {{own.cert, "-----BEGIN CERTIFICATE-----"},
                                                    {own.key, "PRIVATE KEY-----"}};
    for (const auto &[path, marker] : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || !file.read(1 << 20).contains(marker)) {
            fail(QStringLiteral("%1 is not a readable PEM %2")
                     .arg(path,
                          path == own.cert ? QStringLiteral("certificate") : QStringLiteral("private key")));
            return false;
        }
    }
    const std::pair<QString, QString> copies[] = {{own.cert, data.certificate()},
                                                  {own.key, data.certificateKey()}};
    for (const auto &[from, to] : copies) {
        QFile::remove(to);
        if (!QFile::copy(from, to)) {
            fail(QStringLiteral("cannot copy %1 to %2").arg(from, to));
            return false;
        }
    }
    QFile::setPermissions(data.certificate(), kPrivateFile | QFile::ReadGroup | QFile::ReadOther);
    QFile::setPermissions(data.certificateKey(), kPrivateFile);
    QFile marker(data.operatorMarker());
    if (!marker.open(QIODevice::WriteOnly) ||
        marker.write("cert.pem and key.pem are the operator's; serve does not replace them.\n") < 0) {
        fail(QStringLiteral("cannot write %1").arg(data.operatorMarker()));
        return false;
    }
    return true;
}

bool DataFolderSetup::installContent(const DataFolder &data) {
    const DemoContent demo(m_locations.demoDir);
    QStringList missing;
    QString error;
    if (!demo.copyInto(data.wwwDir(), &missing, &error)) {
        fail(error);
        return false;
    }
    for (const QString &folder : missing)
        warn(QStringLiteral("demo content %1 is missing (build the demo content, then run init --force); "
                            "its web folder stays empty")
                 .arg(folder));
    // What the launcher checks before it unpacks or runs a download.
    const QString downloads = QDir(data.wwwDir()).filePath(QStringLiteral("download"));
    const QString setup = QDir(downloads).filePath(QString::fromLatin1(DownloadSeals::kSetupFileName));
    if (QFileInfo(setup).isFile()) {
        if (!QFileInfo(m_locations.signingKey).isFile()) {
            warn(QStringLiteral(
                     "no signing key at %1: the setup program stays unsigned and launchers refuse it")
                     .arg(m_locations.signingKey));
        } else if (!DownloadSeals::sign(setup, m_locations.signingKey, &error)) {
            fail(error);
            return false;
        }
    }
    QStringList written;
    if (QFileInfo(downloads).isDir() && !DownloadSeals::writeDigests(downloads, &written, &error)) {
        fail(error);
        return false;
    }
    return true;
}

bool DataFolderSetup::writeNginxConfig(const DataFolder &data) {
    QString error;
    const std::optional<ServiceConfig> config = ServiceConfig::load(data.settingsFile(), &error);
    NginxConfig nginx;
    if (config) {
        nginx.maxBodyBytes = config->maxBodyBytes;
        nginx.maxClients = config->maxClients;
    }
    // serve writes it again with its port and the app server's; this one lets nginx check the
    // certificate and paths now rather than at the first start.
    nginx.appPort = 8444;
    nginx.runningAsRoot = runningAsSuperUser();
    QSaveFile file(data.nginxConfig());
    if (!file.open(QIODevice::WriteOnly) || file.write(nginx.render(data)) < 0 || !file.commit()) {
        fail(QStringLiteral("cannot write %1: %2").arg(data.nginxConfig(), file.errorString()));
        return false;
    }

    const QString program = NginxConfig::findProgram();
    if (program.isEmpty()) {
        warn(QStringLiteral("nginx is not installed; serve needs it"));
        return true;
    }
    QProcess test;
    test.setProcessChannelMode(QProcess::MergedChannels);
    test.start(program,
               QStringList{QStringLiteral("-t"), QStringLiteral("-q")} + NginxConfig::arguments(data));
    const bool accepted =
        test.waitForFinished(60000) && test.exitStatus() == QProcess::NormalExit && test.exitCode() == 0;
    // The test leaves an empty pid file behind.
    QFile::remove(data.nginxPidFile());
    if (!accepted) {
        fail(QStringLiteral("nginx refuses the configuration %1: %2")
                 .arg(data.nginxConfig(), QString::fromLocal8Bit(test.readAll()).trimmed()));
        return false;
    }
    return true;
}
