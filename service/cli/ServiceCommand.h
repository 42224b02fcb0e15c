#pragma once

#include <QStringList>
#include <QTextStream>

// The `quillbarrow-service` command line: parses a sub-command and runs it. Exit codes: 0 done,
// 1 failed, 2 usage error.
class ServiceCommand {
public:
    enum ExitCode { Done = 0, Failed = 1, UsageError = 2 };

    // executableDir: where the running executable lives (to find the CA and the demo content).
    ServiceCommand(QString executableDir, QTextStream &out, QTextStream &err);

    // arguments: without the program name.
    int run(const QStringList &arguments);

private:
    int runInit(const QStringList &arguments);
    int runServe(const QStringList &arguments);
    int runUser(const QStringList &arguments);
    int runSet(const QStringList &arguments);
    int runStatus(const QStringList &arguments);
    int usageError(const QString &message, const QString &command = {});
    void printUsage(const QString &command);

    QString m_executableDir;
    QTextStream &m_out;
    QTextStream &m_err;
};
