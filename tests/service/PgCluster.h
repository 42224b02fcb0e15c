#pragma once

#include <QString>
#include <QTemporaryDir>

// A throw-away PostgreSQL 15 cluster in a temporary folder, reached through a Unix socket there.
// initdb refuses to run as root, so as root the cluster belongs to "nobody".
class PgCluster {
public:
    PgCluster();
    ~PgCluster();
    PgCluster(const PgCluster &) = delete;
    PgCluster &operator=(const PgCluster &) = delete;

    // The one cluster of this test process, started on first use; null when it cannot run.
    static PgCluster *shared(QString *whyNot);

    // Empty on success, else what went wrong. Starting a stopped cluster again keeps its data.
    QString start();
    QString stop();
    // A fresh database; its address for ServiceStore::open, or empty.
    QString createDatabase(const QString &name, QString *error);

private:
    QString run(const QString &program, const QStringList &arguments);

    QTemporaryDir m_dir;
    QString m_user;
    bool m_running = false;
};
