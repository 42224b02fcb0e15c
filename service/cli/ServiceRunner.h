#pragma once

#include "cli/DataFolder.h"
#include "cli/ServiceLocations.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTextStream>
#include <memory>

class AppServer;
class QProcess;
class QTimer;
class ServiceStore;
class SingleInstanceLock;
class StopSignalWatcher;
class WorkerPool;

// `serve`: runs the app server in this process and nginx as a supervised child, both as the
// current user. Either one failing stops the other; SIGINT or SIGTERM stops both in order
// (nginx first, so no request reaches a stopped app server). Emits finished() once with the exit
// code for the command.
class ServiceRunner : public QObject {
    Q_OBJECT
public:
    ServiceRunner(DataFolder data, ServiceLocations locations, quint16 port, QTextStream &out,
                  QTextStream &err, QObject *parent = nullptr);
    ~ServiceRunner() override;

    // More than one runs that many app server processes (WorkerPool); needs a shared database.
    void setWorkers(int count) { m_workers = count; }
    void setListenAddress(const QString &address) { m_listenAddress = address; }

    // Starts everything; finished() follows, also when the start fails.
    void start();

Q_SIGNALS:
    void finished(int exitCode);

private:
    bool prepare();
    bool renewCertificateIfNeeded();
    void startNginx();
    void pollNginxReady();
    void onNginxFinished();
    void onStopRequested(int signalNumber);
    void fail(const QString &message);
    void stopAndFinish(int exitCode);
    [[nodiscard]] QString nginxDiagnostics() const;
    [[nodiscard]] QString portList() const;

    DataFolder m_data;
    ServiceLocations m_locations;
    quint16 m_port;
    QTextStream &m_out;
    QTextStream &m_err;

    std::unique_ptr<SingleInstanceLock> m_lock;
    std::unique_ptr<StopSignalWatcher> m_signals;
    std::unique_ptr<ServiceStore> m_store;
    std::unique_ptr<AppServer> m_app;
    std::unique_ptr<WorkerPool> m_pool;
    int m_workers = 1;
    QString m_listenAddress = QStringLiteral("127.0.0.1");
    std::unique_ptr<QProcess> m_nginx;
    std::unique_ptr<QTimer> m_readyPoll;
    QByteArray m_nginxOutput;
    QList<quint16> m_appPorts;
    qint64 m_nginxPid = 0;
    int m_readyPolls = 0;
    bool m_ready = false;
    bool m_stopping = false;
    bool m_finished = false;
};
