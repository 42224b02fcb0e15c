#pragma once

#include "core/FormBody.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// The launcher's form-post client, one per endpoint (server check, login, chat): HTML-form posts with
// the user agent "Quillbarrow", no redirects followed, no cookies, and a response time-out that ends
// a post when no byte has moved for that long.
//
// Every post gets a reply of its own. Every reply that arrives, whatever its HTTP status, is
// delivered by RequestCompleted on this object's thread, in the order the replies arrive. A post
// that gets no reply at all (refused, reset, TLS failure, time-out) delivers no completion: the
// caller's watchdog, started with the post and 100 ms longer than the time-out, stands for it;
// RequestFailed tells why, for diagnostics.
//
// Several posts may be in flight at once and each is answered on its own: the login retries every
// 500 ms while one may still be pending, and a post the watchdog gave up on may still be answered
// after the next one was sent. Keeping one post at a time where that matters (server check, chat) is
// the caller's idle flag.
class FormPostClient final : public QObject {
    Q_OBJECT
public:
    // A reply longer than this is no reply: the launcher's replies are a few hundred bytes.
    static constexpr qint64 kMaxReplyBytes = 1024 * 1024;

    explicit FormPostClient(int responseTimeoutMs, QObject *parent = nullptr);
    ~FormPostClient() override;

    // Starts the post of the fields (FormBody: UTF-8, percent-encoded, empty values left out) to url
    // and returns at once with the post's number. Only http and https addresses are posted to.
    quint64 Post(const QUrl &url, const FormFields &fields);

    [[nodiscard]] int responseTimeoutMs() const { return m_responseTimeoutMs; }
    // Posts that have neither completed nor failed.
    [[nodiscard]] qsizetype pendingCount() const { return m_pending.size(); }

Q_SIGNALS:
    void RequestCompleted(quint64 requestId, int httpStatus, const QByteArray &body);
    void RequestFailed(quint64 requestId, const QString &error);

private:
    void replyFinished(QNetworkReply *reply, quint64 requestId, const QByteArray &body, bool oversized);

    QNetworkAccessManager *m_network;
    int m_responseTimeoutMs;
    quint64 m_lastId = 0;
    QSet<QNetworkReply *> m_pending;
};
