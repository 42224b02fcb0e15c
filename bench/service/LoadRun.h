#pragma once

#include "MessageLedger.h"
#include "RunMetrics.h"

#include <QObject>
#include <QSslConfiguration>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class LoadShard;
class QThread;

// The load: logs every client in, then runs the check and chat slots through a warm-up, the
// measured window (with chat messages from the senders) and a drain that lasts until every
// client has fetched every message, then logs everyone off. The clients are spread over a few
// threads.
class LoadRun : public QObject {
    Q_OBJECT
public:
    struct Options {
        int clients = 1000;
        int seconds = 60;
        int warmupSeconds = 5;
        int maxDrainSeconds = 60;
        int senders = 50;
        int sendIntervalMs = 5000;
        int whisperEvery = 4; // every n-th message of a sender is a whisper
        int loginConcurrency = 16;
        int threads = 4;
    };

    LoadRun(Options options, quint16 port, const QSslConfiguration &config, QObject *parent = nullptr);
    ~LoadRun() override;

    // Runs to the end. measureStart/measureEnd are called at the edges of the measured window.
    bool run(QString *error, const std::function<void()> &measureStart,
             const std::function<void()> &measureEnd);

    [[nodiscard]] const RunMetrics &metrics() const { return m_metrics; }
    [[nodiscard]] MessageLedger::Verdict verdict() const { return m_ledger.verify(); }
    [[nodiscard]] double measuredSeconds() const { return m_measuredSeconds; }
    [[nodiscard]] double loginSeconds() const { return m_loginSeconds; }
    [[nodiscard]] int connects() const { return m_connects; }

private:
    struct Worker {
        std::unique_ptr<QThread> thread;
        LoadShard *shard = nullptr; // lives in thread; deleted there when it finishes
    };

    void stopThreads();

    Options m_options;
    RunControl m_control;
    MessageLedger m_ledger;
    RunMetrics m_metrics;
    std::vector<Worker> m_workers;
    double m_loginSeconds = 0;
    double m_measuredSeconds = 0;
    int m_connects = 0;
};
