#include "MessageLedger.h"

MessageLedger::MessageLedger(int clients)
    : m_clients(clients)
    , m_counts(static_cast<std::size_t>(clients)) {}

quint32 MessageLedger::add(int sender, int recipient) {
    const QMutexLocker lock(&m_sentLock);
    m_sent.push_back({sender, recipient, State::Pending});
    return static_cast<quint32>(m_sent.size() - 1);
}

quint32 MessageLedger::newChannelMessage(int sender) {
    return add(sender, -1);
}

quint32 MessageLedger::newWhisper(int sender, int recipient) {
    return add(sender, recipient);
}

void MessageLedger::markPosted(quint32 id, bool posted) {
    const QMutexLocker lock(&m_sentLock);
    if (id < m_sent.size())
        m_sent[id].state = posted ? State::Posted : State::Failed;
}

void MessageLedger::received(int client, quint32 id) {
    if (client < 0 || client >= m_clients)
        return;
    std::vector<std::uint8_t> &counts = m_counts[static_cast<std::size_t>(client)];
    if (counts.size() <= id)
        counts.resize(id + 1024, 0);
    if (counts[id] < 255)
        ++counts[id];
}

MessageLedger::Verdict MessageLedger::verify() const {
    const QMutexLocker lock(&m_sentLock);
    Verdict v;
    for (quint32 id = 0; id < m_sent.size(); ++id) {
        const Sent &sent = m_sent[id];
        (sent.recipient < 0 ? v.channelMessages : v.whispers) += 1;
        const bool confirmed = sent.state == State::Posted;
        if (!confirmed)
            ++v.unconfirmed;
        for (int client = 0; client < m_clients; ++client) {
            const std::vector<std::uint8_t> &counts = m_counts[static_cast<std::size_t>(client)];
            const int got = id < counts.size() ? counts[id] : 0;
            const bool meant = sent.recipient < 0 || client == sent.recipient || client == sent.sender;
            v.delivered += got;
            if (!meant) {
                v.misdelivered += got;
                continue;
            }
            if (got > 1)
                v.doubled += got - 1;
            if (confirmed) {
                ++v.expectedDeliveries;
                if (got == 0)
                    ++v.lost;
            }
        }
    }
    return v;
}
