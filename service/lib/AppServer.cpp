#include "lib/AppServer.h"

#include "lib/ServiceStore.h"

#include <QAbstractHttpServer>

class AppServer::Impl {
public:
    Impl(ServiceStore &storeIn, ServiceConfig configIn)
        : store(storeIn)
        , config(configIn) {}
    ServiceStore &store;
    ServiceConfig config;
};

AppServer::AppServer(ServiceStore &store, ServiceConfig config, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Impl>(store, config)) {}

AppServer::~AppServer() = default;

std::optional<quint16> AppServer::listen(const QHostAddress &, quint16) {
    // Arrives with the request handling.
    return std::nullopt;
}

int AppServer::liveSessionCount() const {
    return 0;
}
