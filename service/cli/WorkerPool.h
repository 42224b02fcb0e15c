#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTextStream>
#include <memory>
#include <vector>

class QProcess;
class QTcpServer;

// `serve --workers N`: N app server processes, each on a loopback socket that this process opens and
// keeps, so connections queue while a worker restarts. A worker that dies is started again at once;
// one that keeps dying right after its start is started again after a growing pause.
class WorkerPool : public QObject {
    Q_OBJECT
public:
    WorkerPool(QString dataFolder, int count, QTextStream &err, QObject *parent = nullptr);
    ~WorkerPool() override;

    // The ports listened on, or empty with *error set.
    QList<quint16> start(QString *error);
    void stop();
    QList<qint64> processIds() const;

    // The worker side: `quillbarrow-service app-server --data DIR --socket FD`. Returns the exit code.
    static int runWorker(const QStringList &arguments, QTextStream &err);

private:
    struct Worker {
        std::unique_ptr<QTcpServer> socket;
        std::unique_ptr<QProcess> process;
        qint64 startedMs = 0;
        int quickDeaths = 0;
    };
    void launch(size_t index);
    void onFinished(size_t index);

    QString m_dataFolder;
    int m_count;
    QTextStream &m_err;
    std::vector<Worker> m_workers;
    bool m_stopping = false;
};
