#include "RunningService.h"

#include "lib/ServiceConfig.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QTcpServer>
#include <QTest>

namespace {

// Generous: the suite runs two tests at a time on two shared cores.
constexpr int kCommandTimeoutMs = 120000;
constexpr int kStartTimeoutMs = 90000;

quint16 freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

// Fields of /proc/<pid>/stat after the command name: state, ppid, ...
QList<QByteArray> statFields(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = file.readAll();
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return {};
    return stat.mid(close + 2).split(' ');
}

// Live processes whose stat field `field` (0 state, 1 ppid, 2 process group) equals value.
QList<qint64> processesWhere(int field, qint64 value) {
    QList<qint64> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        const QList<QByteArray> fields = statFields(pid);
        if (fields.size() > field && fields.at(field).toLongLong() == value && fields.first() != "Z" &&
            fields.first() != "X")
            found.append(pid);
    }
    return found;
}

} // namespace

QString RunningService::Outcome::describe() const {
    return QStringLiteral("exit code %1\n--- stdout:\n%2\n--- stderr:\n%3").arg(exitCode).arg(out, err);
}

QString RunningService::program() {
    return QStringLiteral(QUILLBARROW_SERVICE_PROGRAM);
}

QString RunningService::caCertificatePath() {
    return QStringLiteral(QUILLBARROW_TEST_CA_CERT);
}

RunningService::Outcome RunningService::run(const QStringList &arguments, const QByteArray &input,
                                            const QString &programPath) {
    QProcess process;
    process.start(programPath.isEmpty() ? program() : programPath, arguments);
    Outcome outcome;
    if (!process.waitForStarted(kCommandTimeoutMs)) {
        outcome.err = process.errorString();
        return outcome;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(kCommandTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        outcome.err = QStringLiteral("timed out");
        return outcome;
    }
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

RunningService::RunningService() = default;

RunningService::~RunningService() {
    stop();
}

QString RunningService::init() {
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder");
    const Outcome outcome = run({QStringLiteral("init"), QStringLiteral("--data"), dataDir()});
    if (outcome.exitCode != 0)
        return outcome.describe();
    const QString ini = QDir(dataDir()).filePath(QStringLiteral("service.ini"));
    QString error;
    std::optional<ServiceConfig> config = ServiceConfig::load(ini, &error);
    if (!config)
        return error;
    config->argon2OpsLimit = 1;
    config->argon2MemLimitBytes = 8 * 1024;
    config->storePollMilliseconds = 100;
    if (!config->save(ini, &error))
        return error;
    return {};
}

QString RunningService::start() {
    QString lastError;
    // A free port can be taken between the probe and nginx's bind; try a few.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = freePort();
        m_output.clear();
        m_serve = std::make_unique<QProcess>();
        m_serve->setProcessChannelMode(QProcess::MergedChannels);
        m_serve->start(program(), {QStringLiteral("serve"), QStringLiteral("--data"), dataDir(),
                                   QStringLiteral("--port"), QString::number(m_port)});
        if (!m_serve->waitForStarted(kCommandTimeoutMs))
            return m_serve->errorString();
        m_servePid = m_serve->processId();
        static const QRegularExpression ready(
            QStringLiteral("Serving https://localhost:\\d+ \\(nginx pid (\\d+)"));
        QDeadlineTimer deadline(kStartTimeoutMs);
        while (!deadline.hasExpired() && m_serve->state() == QProcess::Running) {
            m_serve->waitForReadyRead(100);
            m_output += m_serve->readAll();
            const QRegularExpressionMatch match = ready.match(QString::fromUtf8(m_output));
            if (match.hasMatch()) {
                m_nginxPid = match.captured(1).toLongLong();
                return {};
            }
        }
        m_serve->waitForFinished(kCommandTimeoutMs);
        m_output += m_serve->readAll();
        lastError = QStringLiteral("serve did not get ready (state %1):\n%2")
                        .arg(m_serve->state())
                        .arg(QString::fromUtf8(m_output));
        if (m_serve->state() != QProcess::NotRunning) {
            stop();
            return lastError;
        }
        if (!m_output.contains("Address already in use"))
            return lastError;
    }
    return lastError;
}

int RunningService::stop() {
    if (!m_serve || m_serve->state() == QProcess::NotRunning)
        return m_serve ? m_serve->exitCode() : -1;
    m_serve->terminate();
    if (!m_serve->waitForFinished(kCommandTimeoutMs)) {
        m_serve->kill();
        m_serve->waitForFinished();
        return -1;
    }
    m_output += m_serve->readAll();
    return m_serve->exitStatus() == QProcess::NormalExit ? m_serve->exitCode() : -1;
}

QList<qint64> RunningService::nginxPids() const {
    if (m_nginxPid <= 0 || !isAlive(m_nginxPid))
        return {};
    return QList<qint64>{m_nginxPid} + childrenOf(m_nginxPid);
}

bool RunningService::isAlive(qint64 pid) {
    const QList<QByteArray> fields = statFields(pid);
    return !fields.isEmpty() && fields.first() != "Z" && fields.first() != "X";
}

QList<qint64> RunningService::childrenOf(qint64 pid) {
    return processesWhere(1, pid);
}

QList<qint64> RunningService::processesMentioning(const QString &text) {
    QList<qint64> found;
    const QByteArray needle = text.toUtf8();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric || pid == QCoreApplication::applicationPid())
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(needle) && isAlive(pid))
            found.append(pid);
    }
    return found;
}

QList<qint64> RunningService::groupMembers(qint64 groupId) {
    return processesWhere(2, groupId);
}

QSslConfiguration RunningService::trustingConfiguration() {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.addCaCertificates(QSslCertificate::fromPath(caCertificatePath()));
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    return config;
}

RunningService::Outcome RunningService::admin(const QStringList &arguments, const QByteArray &input) const {
    const qsizetype words = arguments.first() == u"status" ? 1 : 2;
    QStringList full = arguments.mid(0, words);
    full << QStringLiteral("--data") << dataDir() << arguments.mid(words);
    return run(full, input);
}
