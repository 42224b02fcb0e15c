#include "cli/ServiceRunner.h"

#include "cli/CertificateIssuer.h"
#include "cli/LogLines.h"
#include "cli/NginxConfig.h"
#include "cli/WorkerPool.h"
#include "lib/AppServer.h"
#include "lib/ServiceConfig.h"
#include "lib/ServiceStore.h"
#include "platform/SingleInstanceLock.h"
#include "platform/StopSignalWatcher.h"
#include "platform/SuperUser.h"
#include "platform/SupervisedChild.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QSaveFile>
#include <QSslCertificate>
#include <QTcpServer>
#include <QTimer>

namespace {

constexpr int kReadyPollMs = 50;
// nginx retries a busy port for about 2.5 s before it gives up; a loaded machine needs more.
constexpr int kReadyTimeoutMs = 30000;
constexpr int kStopTimeoutMs = 10000;
constexpr int kGroupGraceMs = 2000;
constexpr int kRenewBeforeDays = 30;
constexpr qsizetype kOutputKeptBytes = 16 * 1024;

bool ipv6LoopbackAvailable() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHostIPv6, 0);
}

QString lastLines(const QString &path, int count) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    if (file.size() > 64 * 1024)
        file.seek(file.size() - 64 * 1024);
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    if (lines.size() > count)
        lines = lines.mid(lines.size() - count);
    return lines.join(u'\n');
}

} // namespace

ServiceRunner::ServiceRunner(DataFolder data, ServiceLocations locations, quint16 port, QTextStream &out,
                             QTextStream &err, QObject *parent)
    : QObject(parent)
    , m_data(std::move(data))
    , m_locations(std::move(locations))
    , m_port(port)
    , m_out(out)
    , m_err(err) {}

ServiceRunner::~ServiceRunner() {
    if (!m_finished)
        stopAndFinish(0);
}

void ServiceRunner::start() {
    if (!prepare())
        return;
    startNginx();
}

bool ServiceRunner::prepare() {
    if (!m_data.isInitialised()) {
        fail(QStringLiteral("%1 is not a service data folder (no service.db); prepare it with: "
                            "quillbarrow-service init --data %1")
                 .arg(m_data.root()));
        return false;
    }
    m_lock = std::make_unique<SingleInstanceLock>(QStringLiteral("serve"), m_data.root());
    if (!m_lock->tryAcquire()) {
        fail(m_lock->state() == SingleInstanceLock::State::TakenByOther
                 ? QStringLiteral("the service already runs on %1").arg(m_data.root())
                 : m_lock->errorString());
        return false;
    }
    m_signals = std::make_unique<StopSignalWatcher>();
    if (!m_signals->isActive()) {
        fail(m_signals->errorString());
        return false;
    }
    connect(m_signals.get(), &StopSignalWatcher::stopRequested, this, &ServiceRunner::onStopRequested);

    QString error;
    const std::optional<ServiceConfig> config = ServiceConfig::load(m_data.settingsFile(), &error);
    if (!config) {
        fail(QStringLiteral("%1: %2").arg(m_data.settingsFile(), error));
        return false;
    }
    if (m_workers > 1 && !config->sharedStore()) {
        fail(QStringLiteral("--workers %1 needs a database that several processes share: SQLite allows one "
                            "writer at a time and each app server would keep its own sessions and chat. "
                            "Set one up with: quillbarrow-service init --data %2 --database postgresql://...")
                 .arg(m_workers)
                 .arg(m_data.root()));
        return false;
    }
    // Opened here also with workers: the schema exists before any of them starts.
    m_store = ServiceStore::open(config->storeAddress(m_data.database()), &error);
    if (!m_store) {
        fail(QStringLiteral("cannot open the database %1: %2")
                 .arg(config->storeAddress(m_data.database()), error));
        return false;
    }
    if (!renewCertificateIfNeeded())
        return false;

    if (m_workers > 1) {
        m_pool = std::make_unique<WorkerPool>(m_data.root(), m_workers, m_err);
        m_appPorts = m_pool->start(&error);
        if (m_appPorts.isEmpty()) {
            fail(error);
            return false;
        }
    } else {
        m_app = std::make_unique<AppServer>(*m_store, *config);
        const std::optional<quint16> appPort = m_app->listen(QHostAddress::LocalHost, 0);
        if (!appPort) {
            fail(QStringLiteral("the app server cannot listen on 127.0.0.1"));
            return false;
        }
        m_appPorts = {*appPort};
    }

    NginxConfig nginx;
    nginx.port = m_port;
    nginx.listenAddress = m_listenAddress.toLatin1();
    nginx.appPort = m_appPorts.first();
    nginx.moreAppPorts = m_appPorts.mid(1);
    nginx.maxBodyBytes = config->maxBodyBytes;
    nginx.maxClients = config->maxClients;
    nginx.listenIpv6 = ipv6LoopbackAvailable();
    nginx.runningAsRoot = runningAsSuperUser();
    for (const QString &dir : {m_data.nginxLogsDir(), m_data.nginxTempDir()}) {
        if (!QDir().mkpath(dir)) {
            fail(QStringLiteral("cannot create %1").arg(dir));
            return false;
        }
    }
    QSaveFile file(m_data.nginxConfig());
    if (!file.open(QIODevice::WriteOnly) || file.write(nginx.render(m_data)) < 0 || !file.commit()) {
        fail(QStringLiteral("cannot write %1: %2").arg(m_data.nginxConfig(), file.errorString()));
        return false;
    }
    // A pid file left by a killed nginx would look like a ready one.
    QFile::remove(m_data.nginxPidFile());
    return true;
}

bool ServiceRunner::renewCertificateIfNeeded() {
    // An operator's certificate is theirs to renew; serve only reminds them.
    if (QFileInfo::exists(m_data.operatorMarker())) {
        const QList<QSslCertificate> chain = QSslCertificate::fromPath(m_data.certificate());
        const QDateTime soon = QDateTime::currentDateTimeUtc().addDays(kRenewBeforeDays);
        if (chain.isEmpty() || chain.first().expiryDate() < soon) {
            m_err << "quillbarrow-service: warning: the operator's certificate " << m_data.certificate()
                  << (chain.isEmpty()
                          ? QStringLiteral(" cannot be read")
                          : QStringLiteral(" expires on ") + chain.first().expiryDate().toString(Qt::ISODate))
                  << "; install a new one with init --force --cert FILE --key FILE\n";
            m_err.flush();
        }
        return true;
    }
    const CertificateIssuer issuer(m_locations.caCert, m_locations.caKey);
    const std::optional<QString> problem = issuer.check(m_data.certificate(), kRenewBeforeDays);
    if (!problem)
        return true;
    if (const std::optional<QString> caProblem = issuer.checkAuthority()) {
        m_err << "quillbarrow-service: warning: cannot check or renew the certificate (" << *caProblem
              << "); serving with " << m_data.certificate() << " as it is\n";
        m_err.flush();
        return true;
    }
    m_out << "Issuing a new service certificate: " << *problem << "\n";
    m_out.flush();
    if (const std::optional<QString> failure = issuer.issue(m_data.certificate(), m_data.certificateKey())) {
        fail(QStringLiteral("cannot issue the service certificate: %1").arg(*failure));
        return false;
    }
    return true;
}

void ServiceRunner::startNginx() {
    const QString program = NginxConfig::findProgram();
    if (program.isEmpty()) {
        fail(QStringLiteral("nginx is not installed (scripts/install-deps.sh installs it)"));
        return;
    }
    m_nginx = std::make_unique<QProcess>();
    m_nginx->setProcessChannelMode(QProcess::MergedChannels);
    makeSupervisedChild(*m_nginx);
    connect(m_nginx.get(), &QProcess::readyRead, this, [this] {
        m_nginxOutput += m_nginx->readAll();
        if (m_nginxOutput.size() > kOutputKeptBytes)
            m_nginxOutput = m_nginxOutput.right(kOutputKeptBytes);
    });
    connect(m_nginx.get(), &QProcess::finished, this, &ServiceRunner::onNginxFinished);
    connect(m_nginx.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            fail(QStringLiteral("cannot start nginx: %1").arg(m_nginx->errorString()));
    });

    m_nginx->start(program, NginxConfig::arguments(m_data));
    if (m_finished)
        return;
    // The master leads its own process group, which its workers join.
    m_nginxPid = m_nginx->processId();
    m_readyPoll = std::make_unique<QTimer>();
    m_readyPoll->setInterval(kReadyPollMs);
    connect(m_readyPoll.get(), &QTimer::timeout, this, &ServiceRunner::pollNginxReady);
    m_readyPoll->start();
}

void ServiceRunner::pollNginxReady() {
    // nginx writes its pid file after it has bound its listening sockets.
    QFile pidFile(m_data.nginxPidFile());
    if (pidFile.open(QIODevice::ReadOnly) &&
        pidFile.readAll().trimmed().toLongLong() == m_nginx->processId()) {
        m_readyPoll->stop();
        m_ready = true;
        m_out << "Serving https://localhost:" << m_port << " (nginx pid " << m_nginxPid << ", app server"
              << (m_appPorts.size() > 1 ? "s" : "") << " on 127.0.0.1:" << portList()
              << "). Stop with Ctrl+C or SIGTERM.\n";
        m_out.flush();
        return;
    }
    if (++m_readyPolls * kReadyPollMs >= kReadyTimeoutMs)
        fail(QStringLiteral("nginx did not start listening within %1 s%2")
                 .arg(kReadyTimeoutMs / 1000)
                 .arg(nginxDiagnostics()));
}

void ServiceRunner::onNginxFinished() {
    if (m_stopping)
        return;
    const QString how = m_nginx->exitStatus() == QProcess::CrashExit
                            ? QStringLiteral("was killed")
                            : QStringLiteral("exited with code %1").arg(m_nginx->exitCode());
    fail(QStringLiteral("nginx %1 %2%3")
             .arg(how, m_ready ? QStringLiteral("while serving") : QStringLiteral("at start"),
                  nginxDiagnostics()));
}

void ServiceRunner::onStopRequested(int signalNumber) {
    if (m_stopping)
        return;
    m_out << "Stopping (signal " << signalNumber << ").\n";
    m_out.flush();
    stopAndFinish(0);
}

void ServiceRunner::fail(const QString &message) {
    if (m_stopping)
        return;
    m_err << "quillbarrow-service: " << LogLines::oneLine(message) << "\n";
    m_err.flush();
    stopAndFinish(1);
}

void ServiceRunner::stopAndFinish(int exitCode) {
    if (m_stopping)
        return;
    m_stopping = true;
    if (m_readyPoll)
        m_readyPoll->stop();
    if (m_nginx && m_nginx->state() != QProcess::NotRunning) {
        // SIGTERM is nginx's fast shutdown: the master stops its workers and exits.
        m_nginx->terminate();
        if (!m_nginx->waitForFinished(kStopTimeoutMs)) {
            m_err << "quillbarrow-service: nginx did not stop within " << kStopTimeoutMs / 1000
                  << " s; killing it\n";
            m_err.flush();
            m_nginx->kill();
            m_nginx->waitForFinished(kStopTimeoutMs);
        }
    }
    // Workers outlive a master that was killed; none may stay behind.
    if (m_nginxPid > 0)
        endProcessGroup(m_nginxPid, kGroupGraceMs);
    if (m_pool)
        m_pool->stop();
    m_pool.reset();
    m_app.reset();
    m_store.reset();
    m_signals.reset();
    m_lock.reset();
    m_finished = true;
    // Queued, so a caller that connects after start() still hears about a failed start.
    QMetaObject::invokeMethod(
        this, [this, exitCode] { Q_EMIT finished(exitCode); }, Qt::QueuedConnection);
}

QString ServiceRunner::portList() const {
    QStringList ports;
    for (const quint16 port : m_appPorts)
        ports.append(QString::number(port));
    return ports.join(QLatin1Char(','));
}

QString ServiceRunner::nginxDiagnostics() const {
    // Before it has read its configuration nginx writes to standard error; later to its log.
    const QString output = QString::fromLocal8Bit(m_nginxOutput).trimmed();
    if (!output.isEmpty())
        return QStringLiteral("\nnginx said:\n") + output;
    const QString log = lastLines(m_data.nginxErrorLog(), 10);
    if (!log.isEmpty())
        return QStringLiteral("\nlast lines of %1:\n%2").arg(m_data.nginxErrorLog(), log);
    return {};
}
