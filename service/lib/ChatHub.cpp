#include "lib/ChatHub.h"

#include <algorithm>

ChatHub::ChatHub(int backlogLimit)
    : m_backlogLimit(backlogLimit) {}

void ChatHub::addMember(const QByteArray &session) {
    Member member;
    member.cursor = m_lastSeq;
    m_members.insert(session, member);
}

void ChatHub::removeMember(const QByteArray &session) {
    m_members.remove(session);
}

bool ChatHub::join(const QByteArray &session, const QString &channel) {
    auto it = m_members.find(session);
    const QString key = channel.toLower();
    if (it == m_members.end() || it->joinedAt.contains(key))
        return false;
    it->joinedAt.insert(key, m_lastSeq);
    it->names.insert(key, channel);
    return true;
}

bool ChatHub::leave(const QByteArray &session, const QString &channel) {
    auto it = m_members.find(session);
    const QString key = channel.toLower();
    if (it == m_members.end() || !it->joinedAt.contains(key))
        return false;
    it->joinedAt.remove(key);
    it->names.remove(key);
    return true;
}

bool ChatHub::isIn(const QByteArray &session, const QString &channel) {
    const auto it = m_members.constFind(session);
    return it != m_members.constEnd() && it->joinedAt.contains(channel.toLower());
}

QStringList ChatHub::channelsOf(const QByteArray &session) {
    QStringList names = m_members.value(session).names.values();
    names.sort(Qt::CaseInsensitive);
    return names;
}

int ChatHub::channelCount(const QByteArray &session) {
    return static_cast<int>(m_members.value(session).joinedAt.size());
}

void ChatHub::append(Message message) {
    message.seq = ++m_lastSeq;
    m_messages.push_back(std::move(message));
    while (m_messages.size() > static_cast<size_t>(m_backlogLimit))
        m_messages.pop_front();
}

bool ChatHub::postToChannel(const QString &channel, const QByteArray &line) {
    append(Message{0, channel.toLower(), {}, {}, line, {}});
    return true;
}

bool ChatHub::postWhisper(const QByteArray &to, const QByteArray &line, const QByteArray &from,
                          const QByteArray &echo) {
    append(Message{0, {}, to, from, line, echo});
    return true;
}

std::optional<QList<QByteArray>> ChatHub::fetch(const QByteArray &session, int maxLines) {
    QList<QByteArray> lines;
    auto it = m_members.find(session);
    if (it == m_members.end() || m_messages.empty())
        return lines;
    Member &member = *it;
    const quint64 firstSeq = m_messages.front().seq;
    // Behind the backlog (the oldest were dropped): carry on with what is still there.
    size_t index = member.cursor < firstSeq ? 0 : static_cast<size_t>(member.cursor - firstSeq + 1);
    for (; index < m_messages.size() && lines.size() < maxLines; ++index) {
        const Message &m = m_messages[index];
        member.cursor = m.seq;
        if (!m.channelKey.isEmpty()) {
            const auto joined = member.joinedAt.constFind(m.channelKey);
            if (joined != member.joinedAt.constEnd() && m.seq > *joined)
                lines.append(m.line);
        } else if (m.to == session) {
            lines.append(m.line);
        } else if (m.from == session) {
            lines.append(m.echo);
        }
    }
    if (index >= m_messages.size())
        member.cursor = m_lastSeq;
    return lines;
}

void ChatHub::prune() {
    quint64 oldestCursor = m_lastSeq;
    for (const Member &m : std::as_const(m_members))
        oldestCursor = std::min(oldestCursor, m.cursor);
    while (!m_messages.empty() && m_messages.front().seq <= oldestCursor)
        m_messages.pop_front();
}
