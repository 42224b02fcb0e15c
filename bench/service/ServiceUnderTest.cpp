#include "ServiceUnderTest.h"

#include "BenchClient.h"
#include "lib/ServiceAdmin.h"
#include "lib/ServiceConfig.h"
#include "lib/ServiceStore.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTextStream>
#include <csignal>

namespace {

// utime + stime of /proc/<pid>/stat in seconds (Linux counts them in 1/100 s).
double cpuOf(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = file.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return static_cast<double>(fields.at(11).toLongLong() + fields.at(12).toLongLong()) / 100.0;
}

// Busy time of all cores from /proc/stat (user, nice, system, irq, softirq, steal) in seconds.
double machineBusy() {
    QFile file(QStringLiteral("/proc/stat"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = file.readLine().simplified().split(' ');
    if (fields.size() < 9 || fields.first() != "cpu")
        return 0;
    qint64 busy = 0;
    for (const int i : {1, 2, 3, 6, 7, 8})
        busy += fields.at(i).toLongLong();
    return static_cast<double>(busy) / 100.0;
}

QList<qint64> childrenOf(qint64 parent) {
    QList<qint64> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray stat = file.readAll();
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1).toLongLong() == parent)
            children.append(pid);
    }
    return children;
}

} // namespace

ServiceUnderTest::ServiceUnderTest(QString program, QString dataDir, QString database, int workers)
    : m_program(std::move(program))
    , m_dataDir(std::move(dataDir))
    , m_database(std::move(database))
    , m_workers(workers) {}

ServiceUnderTest::~ServiceUnderTest() {
    stop();
}

QString ServiceUnderTest::prepare(int clients) {
    const QDir data(m_dataDir);
    if (!QFileInfo::exists(data.filePath(QStringLiteral("service.db")))) {
        QProcess init;
        init.setProcessChannelMode(QProcess::MergedChannels);
        init.start(m_program, {QStringLiteral("init"), QStringLiteral("--data"), m_dataDir});
        if (!init.waitForFinished(300000) || init.exitCode() != 0)
            return QStringLiteral("init failed: %1").arg(QString::fromUtf8(init.readAll()));
    }

    // Every bench client comes from 127.0.0.1, which the per-address login limit would throttle.
    const QString ini = data.filePath(QStringLiteral("service.ini"));
    QString error;
    std::optional<ServiceConfig> config = ServiceConfig::load(ini, &error);
    if (!config)
        return error;
    config->loginAttemptsPerAddress = 0;
    config->maxClients = std::max(config->maxClients, clients);
    config->database = m_database;
    if (!config->save(ini, &error))
        return error;

    std::unique_ptr<ServiceStore> store =
        ServiceStore::open(config->storeAddress(data.filePath(QStringLiteral("service.db"))), &error);
    if (!store)
        return error;
    // Logins are not measured: a cheap hash keeps the setup and the login phase short.
    ServiceConfig cheap = *config;
    cheap.argon2OpsLimit = 1;
    cheap.argon2MemLimitBytes = 8 * 1024;
    ServiceAdmin admin(*store, cheap);
    int created = 0;
    for (int i = 0; i < clients; ++i) {
        if (store->accountByEmail(BenchClient::email(i)))
            continue;
        const StoreResult result =
            admin.addUser(BenchClient::email(i), BenchClient::password(), BenchClient::name(i));
        if (!result.ok())
            return QStringLiteral("cannot add %1: %2").arg(BenchClient::email(i), result.error);
        ++created;
    }
    QTextStream(stdout) << "Accounts: " << clients << " (" << created << " new)\n";
    return {};
}

QString ServiceUnderTest::start() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return QStringLiteral("no free port");
    m_port = probe.serverPort();
    probe.close();

    m_serve = std::make_unique<QProcess>();
    m_serve->setProcessChannelMode(QProcess::MergedChannels);
    m_serve->start(m_program,
                   {QStringLiteral("serve"), QStringLiteral("--data"), m_dataDir, QStringLiteral("--port"),
                    QString::number(m_port), QStringLiteral("--workers"), QString::number(m_workers)});
    static const QRegularExpression ready(QStringLiteral("\\(nginx pid (\\d+)"));
    QByteArray output;
    QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired() && m_serve->state() != QProcess::NotRunning) {
        m_serve->waitForReadyRead(100);
        output += m_serve->readAll();
        const QRegularExpressionMatch match = ready.match(QString::fromUtf8(output));
        if (match.hasMatch()) {
            m_nginxPid = match.captured(1).toLongLong();
            return {};
        }
    }
    return QStringLiteral("serve did not start:\n%1").arg(QString::fromUtf8(output + m_serve->readAll()));
}

void ServiceUnderTest::stop() {
    if (!m_serve || m_serve->state() == QProcess::NotRunning)
        return;
    m_serve->terminate();
    if (!m_serve->waitForFinished(30000))
        m_serve->kill();
    m_serve->waitForFinished();
}

qint64 ServiceUnderTest::killOneAppServer() {
    if (!m_serve)
        return 0;
    for (const qint64 child : childrenOf(m_serve->processId())) {
        if (child != m_nginxPid && ::kill(static_cast<pid_t>(child), SIGKILL) == 0)
            return child;
    }
    return 0;
}

ServiceUnderTest::Cpu ServiceUnderTest::cpuSeconds() const {
    Cpu cpu;
    if (m_serve) {
        cpu.appServer = cpuOf(m_serve->processId());
        for (const qint64 child : childrenOf(m_serve->processId())) {
            if (child != m_nginxPid)
                cpu.appServer += cpuOf(child);
        }
    }
    if (m_nginxPid > 0) {
        cpu.nginx = cpuOf(m_nginxPid);
        for (const qint64 worker : childrenOf(m_nginxPid))
            cpu.nginx += cpuOf(worker);
    }
    cpu.generator = cpuOf(QCoreApplication::applicationPid());
    cpu.machine = machineBusy();
    return cpu;
}
