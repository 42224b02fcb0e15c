#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Plain records that the store reads and writes.

struct Account {
    qint64 id = 0;
    QString email; // lower case
    QString name;
    QByteArray passwordHash; // libsodium crypto_pwhash_str text
    bool disabled = false;
    qint64 createdMs = 0;
};

// The announced service state that every check reply carries.
struct ServiceSettings {
    bool online = true;
    int adCount = 0;
    int newsCount = 0;
    // Launcher version, then the 13 games in catalogue order; "NoVer" for a game without a version.
    QList<QByteArray> versions;
    // Bumped by every admin change, so that a running server notices changes made by another process.
    qint64 revision = 0;
};

struct SessionRecord {
    QByteArray id;
    qint64 accountId = 0;
    QString email;
    QString name;
    QString address;
    qint64 createdMs = 0;
    qint64 lastSeenMs = 0;
    QStringList channels;
    qint64 endedMs = 0; // 0 while open
};

struct ChatRecord {
    qint64 atMs = 0;
    QString channel; // empty for a whisper
    QString sender;
    QString recipient; // empty for a channel message
    QString text;
};

struct OnlineUser {
    QString name;
    QString email;
    qint64 lastSeenMs = 0;
    QStringList channels;
};

// Outcome of an operation that can fail: an empty error means success.
struct StoreResult {
    QString error;
    bool ok() const { return error.isEmpty(); }
};
