#include "BenchClient.h"

#include "BenchClock.h"
#include "MessageLedger.h"
#include "RunMetrics.h"

#include <tuple>

namespace {

constexpr qint64 kCheckPeriodUs = 3000 * 1000;
constexpr qint64 kPollPeriodUs = 500 * 1000;
constexpr qint64 kCheckTimeoutUs = 3000 * 1000;
constexpr qint64 kChatTimeoutUs = 2000 * 1000;

const QByteArray kCheckPath = "/game/check.server.php";
const QByteArray kLoginPath = "/game/login.server.php";
const QByteArray kChatPath = "/game/chat.php";

// The number after a marker such as ": m" at the end of a chat line.
std::optional<quint32> idAfter(const QByteArray &line, const QByteArray &marker) {
    const qsizetype at = line.lastIndexOf(marker);
    if (at < 0)
        return std::nullopt;
    bool ok = false;
    const quint32 id = line.mid(at + marker.size()).toUInt(&ok);
    return ok ? std::optional<quint32>(id) : std::nullopt;
}

} // namespace

BenchClient::BenchClient(int index, quint16 port, const QSslConfiguration &config, const RunControl &control,
                         RunMetrics &metrics, MessageLedger &ledger, QObject *parent)
    : QObject(parent)
    , m_index(index)
    , m_control(control)
    , m_metrics(metrics)
    , m_ledger(ledger)
    , m_check(new BenchConnection(port, config, this))
    , m_chat(new BenchConnection(port, config, this)) {}

QString BenchClient::email(int index) {
    return QStringLiteral("bench%1@bench.example.com").arg(index, 4, 10, QLatin1Char('0'));
}

QString BenchClient::name(int index) {
    return QStringLiteral("Bench%1").arg(index, 4, 10, QLatin1Char('0'));
}

QString BenchClient::password() {
    return QStringLiteral("load-test-password");
}

QByteArray BenchClient::form(std::initializer_list<std::pair<const char *, QString>> fields) const {
    QByteArray body;
    for (const auto &[name, value] : fields) {
        if (value.isEmpty())
            continue;
        if (!body.isEmpty())
            body += '&';
        body += QByteArray(name) + '=' + value.toUtf8().toPercentEncoding();
    }
    return body;
}

void BenchClient::logIn(std::function<void(const QString &error)> done) {
    const QByteArray body = form(
        {{"message", QStringLiteral("LogIn Request.")}, {"email", email(m_index)}, {"password", password()}});
    m_check->post(kLoginPath, body, [this, done](const BenchConnection::Result &result) {
        if (!result.ok || !result.body.startsWith("LogIn Granted!|")) {
            done(QStringLiteral("login of %1: %2")
                     .arg(email(m_index), result.ok ? QString::fromUtf8(result.body) : result.error));
            return;
        }
        m_loginId = QString::fromUtf8(result.body.mid(result.body.lastIndexOf('|') + 1));
        m_checkRequest = m_check->request(kCheckPath, form({{"message", QStringLiteral("Keep Me Loged!")},
                                                            {"email", email(m_index)},
                                                            {"loginid", m_loginId},
                                                            {"username", name(m_index)}}));
        m_pollRequest = m_chat->request(kChatPath, form({{"username", name(m_index)},
                                                         {"command", QStringLiteral("CheckChat")},
                                                         {"channel", QStringLiteral("Global")},
                                                         {"loginid", m_loginId}}));
        const QByteArray join = form({{"username", name(m_index)},
                                      {"command", QStringLiteral("Join!")},
                                      {"channel", QStringLiteral("Global")},
                                      {"loginid", m_loginId}});
        m_chat->post(kChatPath, join, [this, done](const BenchConnection::Result &joined) {
            if (!joined.ok || !joined.body.contains("You joined channel Global")) {
                done(QStringLiteral("join of %1: %2")
                         .arg(name(m_index), joined.ok ? QString::fromUtf8(joined.body) : joined.error));
                return;
            }
            readChat(joined.body);
            done({});
        });
    });
}

void BenchClient::logOff(std::function<void()> done) {
    const QByteArray body =
        form({{"message", QStringLiteral("LogOFF!")}, {"email", email(m_index)}, {"loginid", m_loginId}});
    m_check->post(kLoginPath, body, [done](const BenchConnection::Result &) { done(); });
}

void BenchClient::schedule(qint64 nowUs, qint64 checkOffsetUs, qint64 pollOffsetUs) {
    m_scheduled = true;
    m_nextCheckUs = nowUs + checkOffsetUs;
    m_nextPollUs = nowUs + pollOffsetUs;
}

void BenchClient::queueMessage(quint32 id, int recipient) {
    m_queued = Queued{id, recipient};
}

void BenchClient::tick(qint64 nowUs) {
    // The launcher's watchdogs: a reply that comes later than this counts as lost to it.
    for (auto [connection, limit, what] :
         {std::tuple{m_check, kCheckTimeoutUs, "check"}, std::tuple{m_chat, kChatTimeoutUs, "chat"}}) {
        if (connection->busy() && !connection->late() && nowUs - connection->sentAtUs() > limit) {
            connection->markLate();
            m_metrics.addError(RunMetrics::Error::Timeout, QStringLiteral("%1 of %2 took longer than %3 ms")
                                                               .arg(QLatin1String(what), name(m_index))
                                                               .arg(limit / 1000));
        }
    }
    if (!m_scheduled)
        return;
    if (nowUs >= m_nextCheckUs) {
        m_nextCheckUs += kCheckPeriodUs;
        if (m_check->busy())
            ++m_metrics.skippedSlots;
        else
            postCheck();
    }
    if (nowUs >= m_nextPollUs) {
        m_nextPollUs += kPollPeriodUs;
        if (m_chat->busy())
            ++m_metrics.skippedSlots;
        else
            postChat();
    }
}

void BenchClient::record(bool check, const BenchConnection::Result &result) {
    const QString what = check ? QStringLiteral("check") : QStringLiteral("chat");
    if (!result.ok) {
        m_metrics.addError(RunMetrics::Error::Connection,
                           QStringLiteral("%1 of %2: %3").arg(what, name(m_index), result.error));
        return;
    }
    if (result.status != 200) {
        m_metrics.addError(RunMetrics::Error::Status,
                           QStringLiteral("%1 of %2: HTTP %3").arg(what, name(m_index)).arg(result.status));
        return;
    }
    if (m_control.recording)
        (check ? m_metrics.checkUs : m_metrics.chatUs)
            .push_back(static_cast<std::uint32_t>(result.latencyUs));
}

void BenchClient::postCheck() {
    m_check->send(m_checkRequest, [this](const BenchConnection::Result &result) {
        record(true, result);
        if (result.ok && result.status == 200 &&
            (!result.body.startsWith("ON!|") || result.body.mid(4, 3) == "LO|"))
            m_metrics.addError(RunMetrics::Error::Reply,
                               QStringLiteral("check of %1: %2")
                                   .arg(name(m_index), QString::fromUtf8(result.body.left(40))));
    });
}

void BenchClient::postChat() {
    QByteArray request;
    QByteArray body;
    std::optional<Queued> sending = std::exchange(m_queued, std::nullopt);
    if (!sending) {
        request = m_pollRequest;
    } else if (sending->recipient < 0) {
        body = form({{"username", name(m_index)},
                     {"command", QStringLiteral("Send!")},
                     {"channel", QStringLiteral("Global")},
                     {"chattext", QStringLiteral("m%1").arg(sending->id)},
                     {"loginid", m_loginId}});
    } else {
        body = form({{"username", name(m_index)},
                     {"command", QStringLiteral("Whisper")},
                     {"chattext", QStringLiteral("w%1").arg(sending->id)},
                     {"wshpto", name(sending->recipient)},
                     {"loginid", m_loginId}});
    }
    if (request.isEmpty())
        request = m_chat->request(kChatPath, body);
    m_sendInFlight = sending.has_value();
    const qint64 sentUs = BenchClock::nowUs();
    m_chat->send(request, [this, sending, sentUs](const BenchConnection::Result &result) {
        record(false, result);
        const bool ok = result.ok && result.status == 200;
        if (sending) {
            m_sendInFlight = false;
            m_ledger.markPosted(sending->id, ok);
        } else if (ok && result.body.isEmpty()) {
            m_lastEmptyPollUs = sentUs;
        }
        if (ok)
            readChat(result.body);
    });
}

void BenchClient::readChat(const QByteArray &body) {
    if (body.isEmpty())
        return;
    const QByteArray prefix = "[Global] ";
    for (const QByteArray &line : body.split('\n')) {
        std::optional<quint32> id;
        if (line.startsWith(prefix))
            id = idAfter(line, ": m");
        else if (line.startsWith("[w] "))
            id = idAfter(line, ": w");
        else if (line.startsWith("[System] You joined channel Global"))
            continue;
        if (id) {
            m_ledger.received(m_index, *id);
            continue;
        }
        ++m_metrics.unexpectedLines;
        if (m_metrics.samples.size() < 10)
            m_metrics.samples.append(
                QStringLiteral("chat line for %1: %2").arg(name(m_index), QString::fromUtf8(line)));
    }
}
