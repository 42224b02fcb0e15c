#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <deque>

// Chat delivery per session. Messages get increasing sequence numbers; each member has a cursor (the
// last number it has been given) and the numbers at which it joined its channels, so a poll hands over
// exactly the messages meant for it that it has not had yet, in order, each once.
class ChatHub {
public:
    explicit ChatHub(int backlogLimit);

    void addMember(const QByteArray &session);
    void removeMember(const QByteArray &session);
    bool isMember(const QByteArray &session) const { return m_members.contains(session); }

    // Channel names are compared case-insensitively; false when already in (join) or not in (leave).
    bool join(const QByteArray &session, const QString &channel);
    bool leave(const QByteArray &session, const QString &channel);
    bool isIn(const QByteArray &session, const QString &channel) const;
    QStringList channelsOf(const QByteArray &session) const;
    int channelCount(const QByteArray &session) const;

    void postToChannel(const QString &channel, const QByteArray &line);
    // The recipient gets `line`, the sender `echo` (nothing more when both are the same session).
    void postWhisper(const QByteArray &to, const QByteArray &line, const QByteArray &from,
                     const QByteArray &echo);

    // Up to maxLines lines not yet delivered to the session, oldest first.
    QList<QByteArray> fetch(const QByteArray &session, int maxLines);

    // Drops messages every member has had, and the oldest beyond the backlog limit.
    void prune();
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
