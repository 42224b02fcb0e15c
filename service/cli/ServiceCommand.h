#pragma once

#include <QStringList>
#include <QTextStream>
#include <optional>

// The `quillbarrow-service` command line: parses a sub-command and runs it. Exit codes: 0 done,
// 1 failed, 2 usage error.
class ServiceCommand {
public:
    enum ExitCode { Done = 0, Failed = 1, UsageError = 2 };

    // A sub-command's options; they may stand anywhere among its arguments.
    struct Arguments {
        QString data;
        bool force = false;
        std::optional<quint16> port;
        // An operator's certificate and key for init, in place of one issued by the build's CA.
        QString cert;
        QString key;
        bool help = false;
        QStringList positional;
    };

    // executableDir: where the running executable lives (to find the CA and the demo content).
    ServiceCommand(QString executableDir, QTextStream &out, QTextStream &err);

    // arguments: without the program name.
    int run(const QStringList &arguments);

private:
    // Which options a sub-command takes besides --data and --help, and whether it takes arguments.
    struct ArgumentRules {
        bool force = false;
        bool port = false;
        bool key = false;
        bool certificate = false;
        bool positional = true;
    };
    // The sub-command's options, or nothing when it ends here: help shown (Done) or a usage error,
    // with exitCode set to match.
    std::optional<Arguments> commandArguments(const QString &command, const QStringList &arguments,
                                              ArgumentRules rules, int &exitCode);
    // Reports the failure on the error stream and gives the exit code for it.
    int failed(const QString &message);
    int runInit(const QStringList &arguments);
    int runServe(const QStringList &arguments);
    int runUser(const QStringList &arguments);
    int runSet(const QStringList &arguments);
    int runStatus(const QStringList &arguments);
    int runDigest(const QStringList &arguments);
    int runSign(const QStringList &arguments);
    int usageError(const QString &message, const QString &command = {});
    void printUsage(const QString &command);

    QString m_executableDir;
    QTextStream &m_out;
    QTextStream &m_err;
};
