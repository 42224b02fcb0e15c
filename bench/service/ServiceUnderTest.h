#pragma once

#include <QProcess>
#include <QString>
#include <memory>

// The reference service as the load generator runs it: `quillbarrow-service serve` on a data
// folder with the bench's accounts, in processes of its own so their CPU time can be told apart.
class ServiceUnderTest {
public:
    // database: empty for the data folder's SQLite file, else a PostgreSQL address; workers: app
    // server processes (serve --workers).
    ServiceUnderTest(QString program, QString dataDir, QString database = {}, int workers = 1);
    ~ServiceUnderTest();

    // init when the folder is new; settings for one address with many clients; missing accounts.
    QString prepare(int clients);
    QString start();
    void stop();
    [[nodiscard]] quint16 port() const { return m_port; }
    // SIGKILL to one app server process; its pid, or 0 when there is none apart from serve.
    qint64 killOneAppServer();

    struct Cpu {
        double appServer = 0; // the serve process and its app server processes
        double nginx = 0;     // master and workers
        double generator = 0; // this process
        double machine = 0;   // busy time of all cores, whoever used it
    };
    [[nodiscard]] Cpu cpuSeconds() const;

private:
    QString m_program;
    QString m_dataDir;
    QString m_database;
    int m_workers = 1;
    std::unique_ptr<QProcess> m_serve;
    quint16 m_port = 0;
    qint64 m_nginxPid = 0;
};
