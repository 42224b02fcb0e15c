#pragma once

#include "BenchConnection.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class MessageLedger;
struct RunControl;
struct RunMetrics;

// One simulated launcher: a check connection and a chat connection, the check every 3 s and the
// chat poll every 500 ms, each skipped while its previous request is still out, with the
// launcher's watchdog times (3 s check, 2 s chat).
class BenchClient : public QObject {
    Q_OBJECT
public:
    BenchClient(int index, quint16 port, const QSslConfiguration &config, const RunControl &control,
                RunMetrics &metrics, MessageLedger &ledger, QObject *parent = nullptr);

    static QString email(int index);
    static QString name(int index);
    static QString password();

    // Logs in, then joins the channel "Global" as the launcher does after a granted login.
    void logIn(std::function<void(const QString &error)> done);
    void logOff(std::function<void()> done);

    // Check and poll slots from now on, at the given offsets into their periods.
    void schedule(qint64 nowUs, qint64 checkOffsetUs, qint64 pollOffsetUs);
    void stopSchedule() { m_scheduled = false; }
    void tick(qint64 nowUs);

    // Sent by the next poll slot instead of a poll. recipient < 0: to the channel.
    void queueMessage(quint32 id, int recipient);
    [[nodiscard]] bool hasQueuedMessage() const { return m_queued.has_value(); }
    [[nodiscard]] bool sendPending() const { return m_queued.has_value() || m_sendInFlight; }
    // When the last poll that found nothing new was sent: everything posted before that has
    // reached this client.
    [[nodiscard]] qint64 lastEmptyPollUs() const { return m_lastEmptyPollUs; }
    [[nodiscard]] bool idle() const { return !m_check->busy() && !m_chat->busy(); }
    [[nodiscard]] int connects() const { return m_check->connects() + m_chat->connects(); }

private:
    struct Queued {
        quint32 id;
        int recipient;
    };

    void postCheck();
    void postChat();
    void readChat(const QByteArray &body);
    void record(bool check, const BenchConnection::Result &result);
    [[nodiscard]] QByteArray form(std::initializer_list<std::pair<const char *, QString>> fields) const;

    int m_index;
    const RunControl &m_control;
    RunMetrics &m_metrics;
    MessageLedger &m_ledger;
    BenchConnection *m_check; // children of this
    BenchConnection *m_chat;
    QString m_loginId;
    QByteArray m_checkRequest; // the same bytes every 3 s and every 500 ms
    QByteArray m_pollRequest;
    bool m_scheduled = false;
    qint64 m_nextCheckUs = 0;
    qint64 m_nextPollUs = 0;
    std::optional<Queued> m_queued;
    bool m_sendInFlight = false;
    qint64 m_lastEmptyPollUs = 0;
};
