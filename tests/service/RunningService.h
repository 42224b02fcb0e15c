#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QSslConfiguration>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// The real `quillbarrow-service` command in a temporary data folder made by its own `init`, and, once
// started, `serve` on a free loopback port: nginx in front, the app server behind it.
class RunningService {
public:
    struct Outcome {
        int exitCode = -1;
        QString out;
        QString err;
        [[nodiscard]] QString describe() const;
    };

    static QString program();
    static QString caCertificatePath();
    // Runs the command to its end (argument list, no shell).
    static Outcome run(const QStringList &arguments, const QByteArray &input = {},
                       const QString &programPath = {});

    RunningService() = default;
    ~RunningService();
    RunningService(const RunningService &) = delete;
    RunningService &operator=(const RunningService &) = delete;

    // init (with further arguments), then a cheap password hash in service.ini (tests log in often).
    // Empty on success.
    QString init(const QStringList &more = {});
    // Further arguments for serve, such as --workers.
    void setServeArguments(const QStringList &more) { m_serveArguments = more; }
    // serve on a free port; returns once nginx listens. Empty on success.
    QString start();
    // SIGTERM to serve and wait for its end; its exit code, or -1 when it had to be killed.
    int stop();

    QString dataDir() const { return m_dir.filePath(QStringLiteral("data")); }
    QString tempDir() const { return m_dir.path(); }
    quint16 port() const { return m_port; }
    QProcess &serveProcess() { return *m_serve; }
    qint64 servePid() const { return m_servePid; }
    qint64 nginxMasterPid() const { return m_nginxPid; }
    QByteArray serveOutput() const { return m_output; }

    // The nginx master and its workers as they are now.
    QList<qint64> nginxPids() const;
    // Whether a process runs (a zombie has ended).
    static bool isAlive(qint64 pid);
    static QList<qint64> childrenOf(qint64 pid);
    // Live processes whose command line contains text (nginx's master names the data folder).
    static QList<qint64> processesMentioning(const QString &text);
    // Live members of a process group (nginx's master leads one that its workers join).
    static QList<qint64> groupMembers(qint64 groupId);

    // A client configuration that trusts the build's local CA, verification on.
    static QSslConfiguration trustingConfiguration();

    // An admin sub-command on this data folder: "set", "counts", "3", "4" → set counts --data DIR 3 4.
    Outcome admin(const QStringList &arguments, const QByteArray &input = {}) const;

private:
    QTemporaryDir m_dir;
    QStringList m_serveArguments;
    std::unique_ptr<QProcess> m_serve;
    QByteArray m_output;
    quint16 m_port = 0;
    qint64 m_servePid = 0;
    qint64 m_nginxPid = 0;
};
