#pragma once

#include <QMutex>
#include <QtGlobal>
#include <cstdint>
#include <vector>

// Every chat message the generator sends and every copy each client receives, so that the end
// of a run can tell whether each was delivered exactly once to everyone it was meant for. Any
// thread may add messages; a client's receipts are counted only by the thread that runs it.
class MessageLedger {
public:
    explicit MessageLedger(int clients);

    // Channel messages go to every client (all are in the channel before the first one is sent).
    quint32 newChannelMessage(int sender);
    // A whisper reaches the recipient, and its echo the sender.
    quint32 newWhisper(int sender, int recipient);
    void markPosted(quint32 id, bool posted);
    void received(int client, quint32 id);

    struct Verdict {
        std::int64_t channelMessages = 0;
        std::int64_t whispers = 0;
        std::int64_t unconfirmed = 0; // the post itself failed; only doubles are counted for them
        std::int64_t expectedDeliveries = 0;
        std::int64_t delivered = 0;
        std::int64_t lost = 0;
        std::int64_t doubled = 0;
        std::int64_t misdelivered = 0; // a copy reached a client it was not meant for
    };
    [[nodiscard]] Verdict verify() const;

private:
    enum class State : std::uint8_t { Pending, Posted, Failed };
    struct Sent {
        int sender;
        int recipient; // -1: the channel
        State state;
    };

    quint32 add(int sender, int recipient);

    int m_clients;
    mutable QMutex m_sentLock;
    std::vector<Sent> m_sent;
    std::vector<std::vector<std::uint8_t>> m_counts; // [client][message id]
};
