#include "LoadRun.h"

#include "BenchClient.h"
#include "BenchClock.h"

#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int kTickMs = 5;

} // namespace

LoadRun::LoadRun(Options options, quint16 port, const QSslConfiguration &config, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_ledger(options.clients) {
    m_clients.reserve(static_cast<std::size_t>(options.clients));
    for (int i = 0; i < options.clients; ++i)
        m_clients.push_back(std::make_unique<BenchClient>(i, port, config, m_metrics, m_ledger));
    m_ticker = std::make_unique<QTimer>();
    m_ticker->setInterval(kTickMs);
    m_ticker->setTimerType(Qt::PreciseTimer);
    connect(m_ticker.get(), &QTimer::timeout, this, &LoadRun::tick);
}

LoadRun::~LoadRun() = default;

int LoadRun::connects() const {
    int total = 0;
    for (const auto &client : m_clients)
        total += client->connects();
    return total;
}

bool LoadRun::run(QString *error, const std::function<void()> &measureStart,
                  const std::function<void()> &measureEnd) {
    m_measureStart = measureStart;
    m_measureEnd = measureEnd;
    QEventLoop loop;
    m_loop = &loop;
    m_loginStartUs = BenchClock::nowUs();
    // The ticker also runs the watchdogs of the logins.
    m_ticker->start();
    for (int i = 0; i < m_options.loginConcurrency; ++i)
        loginNext();
    const int result = loop.exec();
    m_loop = nullptr;
    if (result != 0)
        *error = m_error;
    return result == 0;
}

void LoadRun::loginNext() {
    if (!m_error.isEmpty() || m_nextLogin >= m_options.clients)
        return;
    const int index = m_nextLogin++;
    BenchClient *client = m_clients[static_cast<std::size_t>(index)].get();
    ++m_loginsOut;
    client->logIn([this, index](const QString &failure) {
        --m_loginsOut;
        if (!failure.isEmpty() && m_error.isEmpty())
            m_error = failure;
        if (!m_error.isEmpty()) {
            if (m_loginsOut == 0)
                m_loop->exit(1);
            return;
        }
        // Like a launcher, a client checks and polls from its login on; the service ends a login
        // that goes quiet.
        m_clients[static_cast<std::size_t>(index)]->schedule(
            BenchClock::nowUs(), m_random.bounded(3000) * 1000LL, m_random.bounded(500) * 1000LL);
        if (++m_loginsDone == m_options.clients) {
            startLoad();
            return;
        }
        loginNext();
    });
}

void LoadRun::startLoad() {
    m_loginSeconds = static_cast<double>(BenchClock::nowUs() - m_loginStartUs) / 1e6;

    QTimer::singleShot(m_options.warmupSeconds * 1000, this, [this] {
        m_metrics.recording = true;
        m_measureStartUs = BenchClock::nowUs();
        if (m_measureStart)
            m_measureStart();
        m_sending = m_options.senders > 0;
        QRandomGenerator phase(7);
        for (int s = 0; s < m_options.senders; ++s) {
            m_nextSendUs.push_back(m_measureStartUs + phase.bounded(m_options.sendIntervalMs) * 1000LL);
            m_sentBySender.push_back(0);
        }
        QTimer::singleShot(m_options.seconds * 1000, this, [this] {
            m_metrics.recording = false;
            m_sending = false;
            m_measuredSeconds = static_cast<double>(BenchClock::nowUs() - m_measureStartUs) / 1e6;
            if (m_measureEnd)
                m_measureEnd();
            QTimer::singleShot(m_options.drainSeconds * 1000, this, &LoadRun::finishLoad);
        });
    });
}

void LoadRun::tick() {
    const qint64 now = BenchClock::nowUs();
    if (m_sending) {
        const int stride = std::max(1, m_options.clients / std::max(1, m_options.senders));
        for (int s = 0; s < m_options.senders; ++s) {
            if (now < m_nextSendUs[static_cast<std::size_t>(s)])
                continue;
            m_nextSendUs[static_cast<std::size_t>(s)] += m_options.sendIntervalMs * 1000LL;
            const int sender = (s * stride) % m_options.clients;
            BenchClient *client = m_clients[static_cast<std::size_t>(sender)].get();
            if (client->hasQueuedMessage())
                continue;
            const int n = ++m_sentBySender[static_cast<std::size_t>(s)];
            if (m_options.whisperEvery > 0 && n % m_options.whisperEvery == 0 && m_options.clients > 1) {
                const int recipient = (sender + m_options.clients / 2 + 1) % m_options.clients;
                client->queueMessage(m_ledger.newWhisper(sender, recipient), recipient);
            } else {
                client->queueMessage(m_ledger.newChannelMessage(sender), -1);
            }
        }
    }
    for (const auto &client : m_clients)
        client->tick(now);
}

void LoadRun::finishLoad() {
    for (const auto &client : m_clients)
        client->stopSchedule();
    waitIdleThenLogOff(100);
}

void LoadRun::waitIdleThenLogOff(int attempts) {
    // Requests still out come back (or time out) before the log-offs use the connections.
    const bool idle =
        std::all_of(m_clients.begin(), m_clients.end(), [](const auto &c) { return c->idle(); });
    if (!idle && attempts > 0) {
        QTimer::singleShot(50, this, [this, attempts] { waitIdleThenLogOff(attempts - 1); });
        return;
    }
    m_logOffsOut = 0;
    for (const auto &client : m_clients) {
        if (!client->idle())
            continue;
        ++m_logOffsOut;
        client->logOff([this] {
            if (--m_logOffsOut == 0)
                endRun();
        });
    }
    if (m_logOffsOut == 0)
        endRun();
}

void LoadRun::endRun() {
    m_ticker->stop();
    m_loop->exit(0);
}
