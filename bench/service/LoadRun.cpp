#include "LoadRun.h"

#include "BenchClock.h"
#include "LoadShard.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>

LoadRun::LoadRun(Options options, quint16 port, const QSslConfiguration &config, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_ledger(options.clients) {
    const int threads = std::clamp(options.threads, 1, std::max(1, options.clients));
    const int stride = std::max(1, options.clients / std::max(1, options.senders));
    for (int t = 0; t < threads; ++t) {
        LoadShard::Range range{options.clients * t / threads, options.clients * (t + 1) / threads,
                               options.clients};
        LoadShard::Senders senders;
        senders.intervalMs = options.sendIntervalMs;
        senders.whisperEvery = options.whisperEvery;
        for (int s = 0; s < options.senders; ++s) {
            const int sender = (s * stride) % options.clients;
            if (sender >= range.first && sender < range.end)
                senders.clients.push_back(sender);
        }
        Worker worker;
        worker.thread = std::make_unique<QThread>();
        worker.shard = new LoadShard(range, senders, std::max(1, options.loginConcurrency / threads), port,
                                     config, m_control, m_ledger);
        worker.shard->moveToThread(worker.thread.get());
        connect(worker.thread.get(), &QThread::finished, worker.shard, &QObject::deleteLater);
        worker.thread->start();
        m_workers.push_back(std::move(worker));
    }
}

LoadRun::~LoadRun() {
    stopThreads();
}

void LoadRun::stopThreads() {
    for (Worker &worker : m_workers) {
        if (!worker.thread || !worker.thread->isRunning())
            continue;
        worker.thread->quit();
        worker.thread->wait();
    }
}

bool LoadRun::run(QString *error, const std::function<void()> &measureStart,
                  const std::function<void()> &measureEnd) {
    QEventLoop loop;
    QString failure;
    std::size_t loginsDone = 0;
    std::size_t settled = 0;
    std::size_t finished = 0;
    const qint64 loginStartUs = BenchClock::nowUs();
    qint64 measureStartUs = 0;

    auto startMeasuring = [&] {
        m_control.recording = true;
        measureStartUs = BenchClock::nowUs();
        if (measureStart)
            measureStart();
        for (Worker &worker : m_workers)
            QMetaObject::invokeMethod(worker.shard, [shard = worker.shard, measureStartUs] {
                shard->startSending(measureStartUs);
            });
        m_control.sending = m_options.senders > 0;
        QTimer::singleShot(m_options.seconds * 1000, &loop, [&] {
            m_control.recording = false;
            m_control.sending = false;
            m_measuredSeconds = static_cast<double>(BenchClock::nowUs() - measureStartUs) / 1e6;
            if (measureEnd)
                measureEnd();
            for (Worker &worker : m_workers)
                QMetaObject::invokeMethod(worker.shard, &LoadShard::awaitSendsSettled);
        });
    };

    for (Worker &worker : m_workers) {
        connect(worker.shard, &LoadShard::loginsDone, &loop, [&](const QString &shardError) {
            if (!shardError.isEmpty() && failure.isEmpty())
                failure = shardError;
            if (++loginsDone < m_workers.size())
                return;
            if (!failure.isEmpty()) {
                loop.exit(1);
                return;
            }
            m_loginSeconds = static_cast<double>(BenchClock::nowUs() - loginStartUs) / 1e6;
            QTimer::singleShot(m_options.warmupSeconds * 1000, &loop, startMeasuring);
        });
        connect(worker.shard, &LoadShard::sendsSettled, &loop, [&] {
            if (++settled < m_workers.size())
                return;
            // Every message is posted; each client now fetches until a poll finds nothing new.
            const qint64 settledUs = BenchClock::nowUs();
            for (Worker &w : m_workers)
                QMetaObject::invokeMethod(w.shard, [shard = w.shard, settledUs, this] {
                    shard->finish(settledUs, m_options.maxDrainSeconds * 1000);
                });
        });
        connect(worker.shard, &LoadShard::finished, &loop, [&] {
            if (++finished == m_workers.size())
                loop.exit(0);
        });
        QMetaObject::invokeMethod(worker.shard, &LoadShard::startLogins);
    }
    const int result = loop.exec();

    // The shards are idle (or their logins failed); collect what they counted, then end them.
    for (Worker &worker : m_workers) {
        QMetaObject::invokeMethod(
            worker.shard,
            [this, shard = worker.shard] {
                m_metrics.merge(shard->metrics());
                m_connects += shard->connects();
            },
            Qt::BlockingQueuedConnection);
    }
    stopThreads();
    if (result != 0)
        *error = failure;
    return result == 0;
}
