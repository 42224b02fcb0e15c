#pragma once

#include "lib/ChatDelivery.h"

class ServiceStore;

// Chat delivery shared by every app server on one PostgreSQL database. The record is a table whose
// sequence orders all messages; each session's delivery position and channel memberships are rows
// too, so a poll may reach any app server and a dead one takes nothing with it. A poll reads and
// advances the position in one statement, so a message is handed over once.
class PgChatLog : public ChatDelivery {
public:
    explicit PgChatLog(ServiceStore &store);

    // Creates the tables when missing; empty on success.
    static QString prepareSchema(ServiceStore &store);

    void addMember(const QByteArray &session) override;
    void removeMember(const QByteArray &session) override;
    bool join(const QByteArray &session, const QString &channel) override;
    bool leave(const QByteArray &session, const QString &channel) override;
    bool isIn(const QByteArray &session, const QString &channel) override;
    QStringList channelsOf(const QByteArray &session) override;
    int channelCount(const QByteArray &session) override;
    bool postToChannel(const QString &channel, const QByteArray &line) override;
    bool postWhisper(const QByteArray &to, const QByteArray &line, const QByteArray &from,
                     const QByteArray &echo) override;
    std::optional<QList<QByteArray>> fetch(const QByteArray &session, int maxLines) override;
    void handedOver() override;
    void prune() override;

    void setBacklogLimit(int messages) { m_backlogLimit = messages; }

private:
    bool append(const QString &channelKey, const QByteArray &to, const QByteArray &from,
                const QByteArray &line, const QByteArray &echo);
    int affected(const QString &sql, const QVariantList &values);

    ServiceStore &m_store;
    int m_backlogLimit = 5000;
    bool m_fetchOpen = false;
};
