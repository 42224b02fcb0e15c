#pragma once

#include "lib/ServiceConfig.h"

#include <QHostAddress>
#include <QObject>
#include <memory>
#include <optional>

class ServiceStore;

// The dynamic part of the online service, over plain HTTP on loopback behind nginx:
// POST /game/check.server.php, /game/login.server.php, /game/chat.php, and the web pages
// GET / and /index.php?id=forgot-password|register|invite-a-friend|donate (POST for the forms).
// Runs on the thread that created it; password hashes run on a worker pool.
class AppServer : public QObject {
    Q_OBJECT
public:
    AppServer(ServiceStore &store, ServiceConfig config, QObject *parent = nullptr);
    ~AppServer() override;

    // The port listened on (a free one for port 0), or nullopt when listening failed.
    std::optional<quint16> listen(const QHostAddress &address, quint16 port = 0);

    // Serves a socket that already listens (handed down by the process that starts app servers).
    bool listenOn(qintptr socketDescriptor);

    // Live sessions right now (for status output and tests).
    int liveSessionCount() const;

private:
    class Impl;
    std::unique_ptr<Impl> d;
};
