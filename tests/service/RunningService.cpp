#include "RunningService.h"

#include "lib/ServiceConfig.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QTcpServer>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Generous: the suite runs two tests at a time on two shared cores.
constexpr int kCommandTimeoutMs = 120000;
constexpr int kStartTimeoutMs = 90000;

// Fields of /proc/<pid>/stat after the command name: state, ppid, process group, ...
QList<QByteArray> statFields(qint64 pid) {
    QFile file(u"/proc/%1/stat"_s.arg(pid));
    const QByteArray stat = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const qsizetype close = stat.lastIndexOf(')');
    return close < 0 ? QList<QByteArray>() : stat.mid(close + 2).split(' ');
}

// Live processes for which keep(pid, stat fields) holds.
template<typename Keep> QList<qint64> processesWhere(Keep keep) {
    QList<qint64> found;
    for (const QString &entry : QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        const QList<QByteArray> fields = numeric ? statFields(pid) : QList<QByteArray>();
        if (fields.size() > 2 && fields.first() != "Z" && fields.first() != "X" && keep(pid, fields))
            found.append(pid);
    }
    return found;
}

} // namespace

QString RunningService::Outcome::describe() const {
    return u"exit code %1\n--- stdout:\n%2\n--- stderr:\n%3"_s.arg(exitCode).arg(out, err);
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
    process.waitForStarted(kCommandTimeoutMs);
    process.write(input);
    process.closeWriteChannel();
    Outcome outcome;
    if (!process.waitForFinished(kCommandTimeoutMs)) {
        process.kill();
        outcome.err = u"did not end: "_s + process.errorString();
        return outcome;
    }
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

RunningService::~RunningService() {
    stop();
}

QString RunningService::init(const QStringList &more) {
    const Outcome outcome = run(QStringList{u"init"_s, u"--data"_s, dataDir()} + more);
    if (outcome.exitCode != 0)
        return outcome.describe();
    const QString ini = QDir(dataDir()).filePath(u"service.ini"_s);
    QString error;
    std::optional<ServiceConfig> config = ServiceConfig::load(ini, &error);
    if (!config)
        return error;
    config->argon2OpsLimit = 1;
    config->argon2MemLimitBytes = 8 * 1024;
    config->storePollMilliseconds = 100;
    return config->save(ini, &error) ? QString() : error;
}

QString RunningService::start() {
    static const QRegularExpression ready(u"Serving https://localhost:\\d+ \\(nginx pid (\\d+)"_s);
    // A free port can be taken between the probe and nginx's bind; try a few.
    for (int attempt = 0;; ++attempt) {
        QTcpServer probe;
        m_port = probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
        probe.close();
        m_output.clear();
        m_serve = std::make_unique<QProcess>();
        m_serve->setProcessChannelMode(QProcess::MergedChannels);
        // A test killed from outside (a CTest time-out, SIGKILL) runs no destructor: the service hears
        // of its end from the kernel and stops nginx with its workers as on any stop signal.
        m_serve->setChildProcessModifier([parent = ::getpid()] {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent)
                ::_exit(1);
        });
        m_serve->start(program(),
                       QStringList{u"serve"_s, u"--data"_s, dataDir(), u"--port"_s, QString::number(m_port)} +
                           m_serveArguments);
        if (!m_serve->waitForStarted(kCommandTimeoutMs))
            return m_serve->errorString();
        m_servePid = m_serve->processId();
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
        const bool hung = m_serve->state() != QProcess::NotRunning;
        stop();
        m_output += m_serve->readAll();
        if (hung || attempt == 2 || !m_output.contains("Address already in use"))
            return u"serve did not get ready:\n"_s + QString::fromUtf8(m_output);
    }
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
    return m_nginxPid > 0 && isAlive(m_nginxPid) ? QList<qint64>{m_nginxPid} + childrenOf(m_nginxPid)
                                                 : QList<qint64>();
}

bool RunningService::isAlive(qint64 pid) {
    const QList<QByteArray> fields = statFields(pid);
    return !fields.isEmpty() && fields.first() != "Z" && fields.first() != "X";
}

QList<qint64> RunningService::childrenOf(qint64 pid) {
    return processesWhere([pid](qint64, const QList<QByteArray> &f) { return f.at(1).toLongLong() == pid; });
}

QList<qint64> RunningService::processesMentioning(const QString &text) {
    return processesWhere([needle = text.toUtf8()](qint64 pid, const QList<QByteArray> &) {
        QFile cmdline(u"/proc/%1/cmdline"_s.arg(pid));
        return pid != QCoreApplication::applicationPid() && cmdline.open(QIODevice::ReadOnly) &&
               cmdline.readAll().contains(needle);
    });
}

QList<qint64> RunningService::groupMembers(qint64 groupId) {
    return processesWhere(
        [groupId](qint64, const QList<QByteArray> &f) { return f.at(2).toLongLong() == groupId; });
}

QSslConfiguration RunningService::trustingConfiguration() {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.addCaCertificates(QSslCertificate::fromPath(caCertificatePath()));
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    return config;
}

RunningService::Outcome RunningService::admin(const QStringList &arguments, const QByteArray &input) const {
    const qsizetype words = arguments.first() == u"status" ? 1 : 2;
    return run(arguments.mid(0, words) + QStringList{u"--data"_s, dataDir()} + arguments.mid(words), input);
}
