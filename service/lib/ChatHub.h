#pragma once

#include "lib/ChatDelivery.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <deque>

// Chat delivery per session. Messages get increasing sequence numbers; each member has a cursor (the
// last number it has been given) and the numbers at which it joined its channels, so a poll hands over
// exactly the messages meant for it that it has not had yet, in order, each once.
class ChatHub : public ChatDelivery {
public:
    explicit ChatHub(int backlogLimit);

    void addMember(const QByteArray &session) override;
    void removeMember(const QByteArray &session) override;
    bool isMember(const QByteArray &session) const { return m_members.contains(session); }

    bool join(const QByteArray &session, const QString &channel) override;
    bool leave(const QByteArray &session, const QString &channel) override;
    bool isIn(const QByteArray &session, const QString &channel) override;
    QStringList channelsOf(const QByteArray &session) override;
    int channelCount(const QByteArray &session) override;

    bool postToChannel(const QString &channel, const QByteArray &line) override;
    bool postWhisper(const QByteArray &to, const QByteArray &line, const QByteArray &from,
                     const QByteArray &echo) override;

    std::optional<QList<QByteArray>> fetch(const QByteArray &session, int maxLines) override;

    // Drops messages every member has had, and the oldest beyond the backlog limit.
    void prune() override;
    qsizetype backlogSize() const { return m_messages.size(); }

private:
    struct Message {
        quint64 seq;
        QString channelKey; // empty for a whisper
        QByteArray to;
        QByteArray from;
        QByteArray line;
        QByteArray echo;
    };
    struct Member {
        quint64 cursor = 0;
        QHash<QString, quint64> joinedAt; // channel key -> last sequence number before the join
        QHash<QString, QString> names;    // channel key -> name as given
    };

    void append(Message message);

    int m_backlogLimit;
    quint64 m_lastSeq = 0;
    std::deque<Message> m_messages;
    QHash<QByteArray, Member> m_members;
};
