#pragma once

#include "lib/AppServer.h"
#include "lib/ServiceConfig.h"
#include "lib/ServiceStore.h"

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

using FormList = QList<std::pair<QString, QString>>;

// A real app server on a free loopback port with its store in a temporary folder, and an HTTP client that
// posts forms the way the launcher does (UTF-8, percent-encoded, empty values left out).
class ServiceHarness {
public:
    inline static const QString kPassword = QStringLiteral("correct horse");

    static QByteArray encodeForm(const FormList &fields);

    // Cheap argon2id and short polling intervals (fast tests with the real code paths), then tweak.
    explicit ServiceHarness(const std::function<void(ServiceConfig &)> &tweak = {});

    // QUILLBARROW_TEST_DATABASE=postgresql puts the store in a PostgreSQL cluster of the test's own.
    static bool onPostgres();
    // Why the chosen back-end cannot run here, or empty.
    static QString backendProblem();
    // A fresh, empty database for one more store (a SQLite path or a PostgreSQL address).
    QString newDatabase(QString *error);
    // The address of this harness's database; set it before start() to share another harness's.
    QString m_address;

    // Starts the server and adds the accounts (password kPassword, named after the address's capitalised
    // local part). Empty on success, else what went wrong.
    QString start(const QStringList &emails = {});

    struct Reply {
        int status = 0;
        QByteArray body;
    };
    Reply request(const QByteArray &verb, const QString &pathAndQuery, const QByteArray &body = {},
                  const QList<std::pair<QByteArray, QByteArray>> &headers = {});
    QByteArray post(const QString &path, const FormList &fields, const QByteArray &realIp = {});

    // The launcher's posts.
    QByteArray login(const QString &email, const QString &password = kPassword,
                     const QByteArray &realIp = {});
    QByteArray logOff(const QString &email, const QString &loginId);
    QByteArray check(const QString &email, const QString &loginId, const QByteArray &realIp = {});
    QByteArray chat(const QString &loginId, const QString &command, const QString &channel = {},
                    const QString &text = {}, const QString &to = {}, const QString &userName = {});

    // The name and id of a granted login; both empty when it was refused.
    struct Granted {
        QString name;
        QString id;
        explicit operator bool() const { return !id.isEmpty(); }
    };
    Granted logIn(const QString &email, const QString &password = kPassword, const QByteArray &realIp = {});

    // A second connection to the same database, as the admin command of another process would have.
    ServiceStore &adminStore() { return *m_adminStore; }
    AppServer &server() { return *m_server; }
    quint16 port() const { return m_port; }

private:
    ServiceConfig m_config;
    QTemporaryDir m_dir;
    std::unique_ptr<ServiceStore> m_store;
    std::unique_ptr<ServiceStore> m_adminStore;
    std::unique_ptr<AppServer> m_server;
    QNetworkAccessManager m_network;
    quint16 m_port = 0;
};
