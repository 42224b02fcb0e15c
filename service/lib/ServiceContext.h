#pragma once

#include "lib/ServiceConfig.h"
#include "lib/ServiceRecords.h"

#include <functional>

class ChatDelivery;
class HashWorker;
class RateLimiter;
class ServiceStore;
class SessionRegistry;

// What the request handlers share: one per app server, all on its thread.
struct ServiceContext {
    ServiceStore &store;
    const ServiceConfig &config;
    SessionRegistry &sessions;
    ChatDelivery &chat;
    HashWorker &hashes;
    RateLimiter &loginsPerAccount;
    RateLimiter &loginsPerAddress;
    RateLimiter &registrationsPerAddress;
    // The announced state, reloaded when the admin changes it.
    const ServiceSettings &settings;
    // Starts a session for a granted login (ending the account's previous one) and records it.
    std::function<QByteArray(const Account &, const QString &address)> startSession;
    // Wall-clock milliseconds; replaceable in tests.
    std::function<qint64()> now;
};
