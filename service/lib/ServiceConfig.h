#pragma once

#include <QString>
#include <optional>

// Tunables of the app server, kept in an INI file of the data folder. Every field has a default, so a
// missing file or a missing key means the default.
struct ServiceConfig {
    // A login whose client has not posted a check for this long is over.
    int sessionSilenceSeconds = 15;
    // Live sessions at most; further logins get "MaxClientsReached!".
    int maxClients = 1000;
    // Login attempts allowed in any 60 s; 0 disables the limit.
    int loginAttemptsPerAccount = 10;
    int loginAttemptsPerAddress = 30;
    // Accounts created through the register page per address in any hour; 0 disables the limit.
    int registrationsPerAddressPerHour = 10;
    // Largest request body accepted, in bytes.
    int maxBodyBytes = 8192;
    // Longest chat line in characters (the launcher's input holds 250).
    int chatTextMaxChars = 250;
    // Chat lines delivered in one reply; the rest follow with the next polls.
    int chatLinesPerReply = 50;
    // Chat messages kept in memory for sessions that have not fetched them yet.
    int chatBacklogMessages = 5000;
    // A check carrying the id of an ended session from the address that has just logged in again is
    // not told to log out for this long: it was posted before its client learnt the new id.
    int logoutGraceSeconds = 5;
    // How often the server looks for changes made by the admin command, and writes the last-seen
    // times of live sessions to the store.
    int storePollMilliseconds = 1000;
    int lastSeenFlushSeconds = 5;
    // argon2id cost (libsodium crypto_pwhash_str); defaults are libsodium's interactive limits.
    quint64 argon2OpsLimit = 2;
    quint64 argon2MemLimitBytes = 64ull * 1024 * 1024;
    // Password hashes running or queued at once; further logins are refused until some finish.
    int maxPendingHashes = 64;
    // Threads for password hashing; 0 = one per core.
    int hashThreads = 0;

    // Defaults for a missing file; nullopt with *error set for an unreadable file or a bad value.
    static std::optional<ServiceConfig> load(const QString &iniPath, QString *error);
    bool save(const QString &iniPath, QString *error) const;
    // Empty when every value is in range, else the first problem.
    QString validate() const;
};
