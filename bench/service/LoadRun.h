#pragma once

#include "MessageLedger.h"
#include "RunMetrics.h"

#include <QObject>
#include <QRandomGenerator>
#include <QSslConfiguration>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class BenchClient;
class QEventLoop;
class QTimer;

// The load: logs every client in, then runs the check and chat slots through a warm-up, the
// measured window (with chat messages from the senders) and a drain in which the last messages
// are fetched, then logs everyone off.
class LoadRun : public QObject {
    Q_OBJECT
public:
    struct Options {
        int clients = 1000;
        int seconds = 60;
        int warmupSeconds = 5;
        int drainSeconds = 5;
        int senders = 50;
        int sendIntervalMs = 5000;
        int whisperEvery = 4; // every n-th message of a sender is a whisper
        int loginConcurrency = 16;
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
    [[nodiscard]] int connects() const;

private:
    void loginNext();
    void startLoad();
    void tick();
    void finishLoad();
    void waitIdleThenLogOff(int attempts);
    void endRun();

    Options m_options;
    RunMetrics m_metrics;
    MessageLedger m_ledger;
    std::vector<std::unique_ptr<BenchClient>> m_clients;
    std::unique_ptr<QTimer> m_ticker;
    QEventLoop *m_loop = nullptr;
    std::function<void()> m_measureStart;
    std::function<void()> m_measureEnd;

    int m_nextLogin = 0;
    int m_loginsDone = 0;
    int m_loginsOut = 0;
    QString m_error;
    // Spreads the slots over their periods, as launchers started at different moments are.
    QRandomGenerator m_random{20240601};
    qint64 m_loginStartUs = 0;
    double m_loginSeconds = 0;

    bool m_sending = false;
    std::vector<qint64> m_nextSendUs; // per sender
    std::vector<int> m_sentBySender;
    qint64 m_measureStartUs = 0;
    double m_measuredSeconds = 0;
    int m_logOffsOut = 0;
};
