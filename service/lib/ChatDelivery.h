#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Chat delivery per session: every member gets each message meant for it once, in the order sent.
// ChatHub keeps it in one app server's memory; PgChatLog in PostgreSQL for several app servers.
class ChatDelivery {
public:
    virtual ~ChatDelivery() = default;

    virtual void addMember(const QByteArray &session) = 0;
    virtual void removeMember(const QByteArray &session) = 0;

    // Channel names are compared case-insensitively; false when already in (join) or not in (leave).
    virtual bool join(const QByteArray &session, const QString &channel) = 0;
    virtual bool leave(const QByteArray &session, const QString &channel) = 0;
    virtual bool isIn(const QByteArray &session, const QString &channel) = 0;
    virtual QStringList channelsOf(const QByteArray &session) = 0;
    virtual int channelCount(const QByteArray &session) = 0;

    // False when the message could not be recorded.
    virtual bool postToChannel(const QString &channel, const QByteArray &line) = 0;
    // The recipient gets `line`, the sender `echo` (nothing more when both are the same session).
    virtual bool postWhisper(const QByteArray &to, const QByteArray &line, const QByteArray &from,
                             const QByteArray &echo) = 0;

    // Up to maxLines lines not yet delivered to the session, oldest first; nullopt when the record
    // cannot be read (nothing is then marked delivered).
    virtual std::optional<QList<QByteArray>> fetch(const QByteArray &session, int maxLines) = 0;

    // Called once the reply carrying what fetch() returned has left the process: only then does the
    // record count it as handed over, so a process killed in between loses no line.
    virtual void handedOver() {}

    // Drops what no member needs any more.
    virtual void prune() = 0;
};
