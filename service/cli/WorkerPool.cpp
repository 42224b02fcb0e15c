#include "cli/WorkerPool.h"

#include "cli/DataFolder.h"
#include "lib/AppServer.h"
#include "lib/ServiceConfig.h"
#include "lib/ServiceStore.h"
#include "platform/StopSignalWatcher.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QProcess>
#include <QTcpServer>
#include <QTimer>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int kStopTimeoutMs = 10000;
// A worker that dies sooner than this after its start counts as failing to start.
constexpr qint64 kQuickDeathMs = 2000;
constexpr int kMaxPauseMs = 10000;

} // namespace

WorkerPool::WorkerPool(QString dataFolder, int count, QTextStream &err, QObject *parent)
    : QObject(parent)
    , m_dataFolder(std::move(dataFolder))
    , m_count(count)
    , m_err(err) {}

WorkerPool::~WorkerPool() {
    stop();
}

QList<quint16> WorkerPool::start(QString *error) {
    QList<quint16> ports;
    m_workers.resize(static_cast<size_t>(m_count));
    for (size_t i = 0; i < m_workers.size(); ++i) {
        Worker &w = m_workers[i];
        w.socket = std::make_unique<QTcpServer>();
        w.socket->setListenBacklogSize(1024);
        if (!w.socket->listen(QHostAddress::LocalHost, 0)) {
            *error = QStringLiteral("cannot listen on 127.0.0.1: %1").arg(w.socket->errorString());
            return {};
        }
        // Accepting is the worker's job; this process only keeps the socket.
        w.socket->pauseAccepting();
        ports.append(w.socket->serverPort());
        launch(i);
    }
    return ports;
}

void WorkerPool::launch(size_t index) {
    Worker &w = m_workers[index];
    w.process = std::make_unique<QProcess>();
    w.process->setProcessChannelMode(QProcess::ForwardedChannels);
    const int fd = static_cast<int>(w.socket->socketDescriptor());
    const pid_t parent = ::getpid();
    w.process->setChildProcessModifier([fd, parent] {
        // Between fork and exec: async-signal-safe calls only. The socket outlives exec.
        ::fcntl(fd, F_SETFD, 0);
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
    });
    connect(w.process.get(), &QProcess::finished, this, [this, index] { onFinished(index); });
    w.startedMs = QDateTime::currentMSecsSinceEpoch();
    w.process->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("app-server"), QStringLiteral("--data"), m_dataFolder,
                      QStringLiteral("--socket"), QString::number(fd)});
}

void WorkerPool::onFinished(size_t index) {
    if (m_stopping)
        return;
    Worker &w = m_workers[index];
    const bool quick = QDateTime::currentMSecsSinceEpoch() - w.startedMs < kQuickDeathMs;
    w.quickDeaths = quick ? w.quickDeaths + 1 : 0;
    const int pauseMs = quick ? std::min(kMaxPauseMs, 250 << std::min(w.quickDeaths, 6)) : 0;
    m_err << "quillbarrow-service: app server " << index + 1 << " (pid " << w.process->processId() << ") "
          << (w.process->exitStatus() == QProcess::CrashExit ? QStringLiteral("was killed")
                                                             : QStringLiteral("exited"))
          << "; starting it again" << (pauseMs ? QStringLiteral(" in %1 ms").arg(pauseMs) : QString())
          << "\n";
    m_err.flush();
    w.process.release()->deleteLater();
    QTimer::singleShot(pauseMs, this, [this, index] {
        if (!m_stopping)
            launch(index);
    });
}

void WorkerPool::stop() {
    if (m_stopping)
        return;
    m_stopping = true;
    for (Worker &w : m_workers) {
        if (w.process && w.process->state() != QProcess::NotRunning)
            w.process->terminate();
    }
    for (Worker &w : m_workers) {
        if (w.process && !w.process->waitForFinished(kStopTimeoutMs)) {
            w.process->kill();
            w.process->waitForFinished(kStopTimeoutMs);
        }
    }
    m_workers.clear();
}

QList<qint64> WorkerPool::processIds() const {
    QList<qint64> ids;
    for (const Worker &w : m_workers)
        ids.append(w.process ? w.process->processId() : 0);
    return ids;
}

int WorkerPool::runWorker(const QStringList &arguments, QTextStream &err) {
    const qsizetype dataAt = arguments.indexOf(QStringLiteral("--data"));
    const qsizetype socketAt = arguments.indexOf(QStringLiteral("--socket"));
    bool ok = false;
    const qintptr fd = arguments.value(socketAt + 1).toLongLong(&ok);
    QString error;
    const std::optional<DataFolder> data =
        dataAt < 0 ? std::nullopt : DataFolder::fromArgument(arguments.value(dataAt + 1), &error);
    if (!data || socketAt < 0 || !ok) {
        err << "quillbarrow-service: app-server is started by serve --workers\n";
        return 2;
    }
    const std::optional<ServiceConfig> config = ServiceConfig::load(data->settingsFile(), &error);
    std::unique_ptr<ServiceStore> store =
        config ? ServiceStore::open(config->storeAddress(data->database()), &error) : nullptr;
    if (!store) {
        err << "quillbarrow-service: app server: " << error << "\n";
        return 1;
    }
    AppServer app(*store, *config);
    if (!app.listenOn(fd))
        return 1;
    StopSignalWatcher signals;
    QEventLoop loop;
    QObject::connect(&signals, &StopSignalWatcher::stopRequested, &loop, [&loop] { loop.exit(0); });
    return loop.exec();
}
