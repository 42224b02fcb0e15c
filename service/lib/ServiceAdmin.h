#pragma once

#include "lib/ServiceConfig.h"
#include "lib/ServiceRecords.h"

#include <QByteArray>
#include <QList>
#include <QString>

class ServiceStore;

// Administration of a store, for the admin command and for tests. Changes reach a running app server
// through the store (it polls the store's revision).
class ServiceAdmin {
public:
    explicit ServiceAdmin(ServiceStore &store, ServiceConfig config = {});

    // Hashes the password with argon2id at the configured cost.
    StoreResult addUser(const QString &email, const QString &password, const QString &name);
    StoreResult disableUser(const QString &email);
    StoreResult enableUser(const QString &email);
    // Ends the user's live session; its client is told to log out by the next check.
    StoreResult kickUser(const QString &email);
    // Fourteen entries: the launcher version, then the 13 games in catalogue order ("NoVer" allowed).
    StoreResult setVersions(const QList<QByteArray> &fourteen);
    StoreResult setCounts(int ads, int news);
    StoreResult setState(bool on);

    struct OnlineUsers {
        QList<OnlineUser> users;
        QString error;
    };
    // Sessions whose client was seen within the silence limit (as last written by the app server).
    OnlineUsers onlineUsers() const;

private:
    ServiceStore &m_store;
    ServiceConfig m_config;
};
