#pragma once

#include "RunMetrics.h"

#include <QObject>
#include <QRandomGenerator>
#include <QSslConfiguration>
#include <QString>
#include <memory>
#include <vector>

class BenchClient;
class MessageLedger;
class QTimer;

// The clients one thread of the generator runs. Each thread polls only its own sockets: one
// event loop over all of them spent most of its time in poll() over thousands of descriptors.
// Moved to its thread right after construction; everything else happens there.
class LoadShard : public QObject {
    Q_OBJECT
public:
    struct Range {
        int first = 0; // client indices [first, end)
        int end = 0;
        int totalClients = 0;
    };
    struct Senders {
        std::vector<int> clients; // indices of the clients of this shard that send
        int intervalMs = 5000;
        int whisperEvery = 4;
    };

    LoadShard(Range range, Senders senders, int loginConcurrency, quint16 port,
              const QSslConfiguration &config, const RunControl &control, MessageLedger &ledger);
    ~LoadShard() override;

    // Slots run in the shard's thread (invoked queued from the controlling thread).
    void startLogins();
    void startSending(qint64 nowUs);
    // After sending stopped: sendsSettled() once no client of this shard has a message queued or
    // out.
    void awaitSendsSettled();
    // Drains until every client has had a poll sent after settledUs come back empty (so it holds
    // every message), or maxDrainMs passed; then logs everyone off and emits finished().
    void finish(qint64 settledUs, int maxDrainMs);

    // Read by the controlling thread after finished().
    [[nodiscard]] const RunMetrics &metrics() const { return m_metrics; }
    [[nodiscard]] int connects() const;

Q_SIGNALS:
    void loginsDone(const QString &error);
    void sendsSettled();
    void finished();

private:
    void loginNext();
    void tick();
    void waitIdleThenLogOff(int attempts);
    [[nodiscard]] bool drained() const;

    Range m_range;
    Senders m_senders;
    int m_loginConcurrency;
    const RunControl &m_control;
    MessageLedger &m_ledger;
    quint16 m_port;
    QSslConfiguration m_config;
    RunMetrics m_metrics;
    std::vector<std::unique_ptr<BenchClient>> m_clients;
    std::unique_ptr<QTimer> m_ticker;
    QRandomGenerator m_random;

    int m_nextLogin = 0;
    int m_loginsOut = 0;
    int m_loginsDone = 0;
    QString m_error;
    std::vector<qint64> m_nextSendUs;
    std::vector<int> m_sentBy;
    int m_logOffsOut = 0;
    bool m_awaitingSettled = false;
    bool m_draining = false;
    qint64 m_settledUs = 0;
    qint64 m_drainDeadlineUs = 0;
};
