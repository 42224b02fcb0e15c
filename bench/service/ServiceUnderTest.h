#pragma once

#include <QProcess>
#include <QString>
#include <memory>

// The reference service as the load generator runs it: `quillbarrow-service serve` on a data
// folder with the bench's accounts, in processes of its own so their CPU time can be told apart.
class ServiceUnderTest {
public:
    ServiceUnderTest(QString program, QString dataDir);
    ~ServiceUnderTest();

    // init when the folder is new; settings for one address with many clients; missing accounts.
    QString prepare(int clients);
    QString start();
    void stop();
    [[nodiscard]] quint16 port() const { return m_port; }

    struct Cpu {
        double appServer = 0; // the serve process
        double nginx = 0;     // master and workers
        double generator = 0; // this process
        double machine = 0;   // busy time of all cores, whoever used it
    };
    [[nodiscard]] Cpu cpuSeconds() const;

private:
    QString m_program;
    QString m_dataDir;
    std::unique_ptr<QProcess> m_serve;
    quint16 m_port = 0;
    qint64 m_nginxPid = 0;
};
