#include "PgCluster.h"

#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kBin = u"/usr/lib/postgresql/15/bin/"_s;

} // namespace

PgCluster::PgCluster()
    : m_user(geteuid() == 0 ? u"nobody"_s : qEnvironmentVariable("USER", u"postgres"_s)) {}

PgCluster::~PgCluster() {
    stop();
}

PgCluster *PgCluster::shared(QString *whyNot) {
    static std::unique_ptr<PgCluster> cluster;
    static QString failure;
    if (!cluster && failure.isEmpty()) {
        if (!QFileInfo::exists(kBin + u"initdb"_s))
            failure = u"PostgreSQL 15 is not installed (%1initdb missing)"_s.arg(kBin);
        else if (auto started = std::make_unique<PgCluster>(); (failure = started->start()).isEmpty())
            cluster = std::move(started);
    }
    *whyNot = failure;
    return cluster.get();
}

QString PgCluster::run(const QString &program, const QStringList &arguments) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (geteuid() == 0)
        p.start(u"runuser"_s, QStringList{u"-u"_s, m_user, u"--"_s, kBin + program} + arguments);
    else
        p.start(kBin + program, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return u"%1 failed: %2"_s.arg(program, QString::fromLocal8Bit(p.readAll()));
    return {};
}

QString PgCluster::start() {
    if (!m_dir.isValid())
        return u"no temporary folder"_s;
    if (geteuid() == 0 && chown(m_dir.path().toLocal8Bit().constData(), 65534, 65534) != 0)
        return u"cannot hand %1 to nobody"_s.arg(m_dir.path());
    const QString data = m_dir.filePath(u"data"_s);
    if (QFileInfo::exists(data)) {
        // a restart
    } else if (QString e =
                   run(u"initdb"_s, {u"-D"_s, data, u"-A"_s, u"trust"_s, u"-N"_s, u"-E"_s, u"UTF8"_s});
               !e.isEmpty()) {
        return e;
    }
    // Durability is not under test; a test cluster skips fsync.
    const QString options =
        u"-k %1 -c listen_addresses='' -c fsync=off -c max_connections=200 -c client_min_messages=warning"_s
            .arg(m_dir.path());
    if (QString e = run(u"pg_ctl"_s, {u"-D"_s, data, u"-o"_s, options, u"-w"_s, u"-l"_s,
                                      m_dir.filePath(u"log"_s), u"start"_s});
        !e.isEmpty())
        return e;
    m_running = true;
    return {};
}

QString PgCluster::stop() {
    if (!m_running)
        return {};
    m_running = false;
    return run(u"pg_ctl"_s, {u"-D"_s, m_dir.filePath(u"data"_s), u"-m"_s, u"fast"_s, u"-w"_s, u"stop"_s});
}

QString PgCluster::createDatabase(const QString &name, QString *error) {
    const QString address = u"postgresql:///%1?host=%2&user=%3"_s.arg(name, m_dir.path(), m_user);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QPSQL"_s, u"pg-cluster-admin"_s);
        db.setConnectOptions(u"host=%1;user=%2;dbname=postgres"_s.arg(m_dir.path(), m_user));
        QSqlQuery q(db);
        if (!db.open() || !q.exec(u"DROP DATABASE IF EXISTS %1"_s.arg(name)) ||
            !q.exec(u"CREATE DATABASE %1"_s.arg(name)))
            *error = (q.lastError().isValid() ? q.lastError() : db.lastError()).text();
    }
    QSqlDatabase::removeDatabase(u"pg-cluster-admin"_s);
    return error->isEmpty() ? address : QString();
}
