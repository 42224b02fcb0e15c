#include "LoadShard.h"

#include "BenchClient.h"
#include "BenchClock.h"
#include "MessageLedger.h"

#include <QTimer>
#include <algorithm>

namespace {

// The launcher's own engine tick.
constexpr int kTickMs = 15;

} // namespace

LoadShard::LoadShard(Range range, Senders senders, int loginConcurrency, quint16 port,
                     const QSslConfiguration &config, const RunControl &control, MessageLedger &ledger)
    : m_range(range)
    , m_senders(std::move(senders))
    , m_loginConcurrency(std::max(1, loginConcurrency))
    , m_control(control)
    , m_ledger(ledger)
    , m_port(port)
    , m_config(config)
    , m_random(static_cast<quint32>(20240601 + range.first)) {}

LoadShard::~LoadShard() = default;

int LoadShard::connects() const {
    int total = 0;
    for (const auto &client : m_clients)
        total += client->connects();
    return total;
}

void LoadShard::startLogins() {
    // Made here, in the shard's thread, so that the clients' sockets live in it.
    for (int i = m_range.first; i < m_range.end; ++i)
        m_clients.push_back(
            std::make_unique<BenchClient>(i, m_port, m_config, m_control, m_metrics, m_ledger));
    m_ticker = std::make_unique<QTimer>();
    m_ticker->setInterval(kTickMs);
    connect(m_ticker.get(), &QTimer::timeout, this, &LoadShard::tick);
    // The ticker also runs the watchdogs of the logins.
    m_ticker->start();
    if (m_clients.empty()) {
        Q_EMIT loginsDone({});
        return;
    }
    for (int i = 0; i < m_loginConcurrency; ++i)
        loginNext();
}

void LoadShard::loginNext() {
    if (!m_error.isEmpty() || m_nextLogin >= static_cast<int>(m_clients.size()))
        return;
    BenchClient *client = m_clients[static_cast<std::size_t>(m_nextLogin++)].get();
    ++m_loginsOut;
    client->logIn([this, client](const QString &failure) {
        --m_loginsOut;
        if (!failure.isEmpty() && m_error.isEmpty())
            m_error = failure;
        if (!m_error.isEmpty()) {
            if (m_loginsOut == 0)
                Q_EMIT loginsDone(m_error);
            return;
        }
        // Like a launcher, a client checks and polls from its login on; the service ends a login
        // that goes quiet. Spread over the periods, as launchers started at different moments are.
        client->schedule(BenchClock::nowUs(), m_random.bounded(3000) * 1000LL,
                         m_random.bounded(500) * 1000LL);
        if (++m_loginsDone == static_cast<int>(m_clients.size())) {
            Q_EMIT loginsDone({});
            return;
        }
        loginNext();
    });
}

void LoadShard::startSending(qint64 nowUs) {
    m_nextSendUs.clear();
    m_sentBy.assign(m_senders.clients.size(), 0);
    for (std::size_t s = 0; s < m_senders.clients.size(); ++s)
        m_nextSendUs.push_back(nowUs + m_random.bounded(m_senders.intervalMs) * 1000LL);
}

void LoadShard::tick() {
    const qint64 now = BenchClock::nowUs();
    if (m_control.sending) {
        for (std::size_t s = 0; s < m_nextSendUs.size(); ++s) {
            if (now < m_nextSendUs[s])
                continue;
            m_nextSendUs[s] += m_senders.intervalMs * 1000LL;
            const int sender = m_senders.clients[s];
            BenchClient *client = m_clients[static_cast<std::size_t>(sender - m_range.first)].get();
            if (client->hasQueuedMessage())
                continue;
            const int n = ++m_sentBy[s];
            if (m_senders.whisperEvery > 0 && n % m_senders.whisperEvery == 0 && m_range.totalClients > 1) {
                const int recipient = (sender + m_range.totalClients / 2 + 1) % m_range.totalClients;
                client->queueMessage(m_ledger.newWhisper(sender, recipient), recipient);
            } else {
                client->queueMessage(m_ledger.newChannelMessage(sender), -1);
            }
        }
    }
    for (const auto &client : m_clients)
        client->tick(now);
    if (m_awaitingSettled &&
        std::none_of(m_clients.begin(), m_clients.end(), [](const auto &c) { return c->sendPending(); })) {
        m_awaitingSettled = false;
        Q_EMIT sendsSettled();
    }
    if (m_draining && (drained() || now > m_drainDeadlineUs)) {
        m_draining = false;
        for (const auto &client : m_clients)
            client->stopSchedule();
        waitIdleThenLogOff(100);
    }
}

void LoadShard::awaitSendsSettled() {
    m_awaitingSettled = true;
}

void LoadShard::finish(qint64 settledUs, int maxDrainMs) {
    m_settledUs = settledUs;
    m_drainDeadlineUs = BenchClock::nowUs() + maxDrainMs * 1000LL;
    m_draining = true;
}

bool LoadShard::drained() const {
    return std::all_of(m_clients.begin(), m_clients.end(),
                       [this](const auto &c) { return c->lastEmptyPollUs() > m_settledUs; });
}

void LoadShard::waitIdleThenLogOff(int attempts) {
    // Requests still out come back (or time out) before the log-offs use the connections.
    const bool idle =
        std::all_of(m_clients.begin(), m_clients.end(), [](const auto &c) { return c->idle(); });
    if (!idle && attempts > 0) {
        QTimer::singleShot(50, this, [this, attempts] { waitIdleThenLogOff(attempts - 1); });
        return;
    }
    auto done = [this] {
        m_ticker->stop();
        Q_EMIT finished();
    };
    m_logOffsOut = 0;
    for (const auto &client : m_clients) {
        if (!client->idle())
            continue;
        ++m_logOffsOut;
        client->logOff([this, done] {
            if (--m_logOffsOut == 0)
                done();
        });
    }
    if (m_logOffsOut == 0)
        done();
}
