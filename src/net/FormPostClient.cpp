#include "net/FormPostClient.h"

#include "net/NullCookieJar.h"
#include "net/ServiceTrust.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <memory>

namespace {

// True when the server answered: an HTTP status came back and the body was read to its end. QNAM
// also reports 4xx and 5xx statuses as errors, but those replies arrived; the ones that did not are
// the network and protocol failures.
bool replyArrived(const QNetworkReply &reply) {
    if (!reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return false;
    const int error = reply.error();
    const bool network =
        error >= QNetworkReply::ConnectionRefusedError && error <= QNetworkReply::UnknownNetworkError;
    // 407 from the server itself comes as a proxy error; the launcher uses no proxy.
    const bool proxy = error >= QNetworkReply::ProxyConnectionRefusedError &&
                       error <= QNetworkReply::UnknownProxyError &&
                       error != QNetworkReply::ProxyAuthenticationRequiredError;
    const bool protocol =
        error == QNetworkReply::ProtocolUnknownError || error == QNetworkReply::ProtocolFailure;
    return !network && !proxy && !protocol;
}

} // namespace

FormPostClient::FormPostClient(int responseTimeoutMs, QObject *parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
    , m_responseTimeoutMs(responseTimeoutMs) {
    m_network->setCookieJar(new NullCookieJar(m_network));
    m_network->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

FormPostClient::~FormPostClient() {
    // Replies still running end with the manager, after this object is gone: nothing may reach it.
    for (QNetworkReply *reply : std::as_const(m_pending))
        disconnect(reply, nullptr, this, nullptr);
}

quint64 FormPostClient::Post(const QUrl &url, const FormFields &fields) {
    const quint64 id = ++m_lastId;
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != u"https" && scheme != u"http")) {
        // Reported from the event loop, like every other outcome, never from inside Post.
        QMetaObject::invokeMethod(
            this,
            [this, id, url] {
                Q_EMIT RequestFailed(id, QStringLiteral("not a web address: %1").arg(url.toString()));
            },
            Qt::QueuedConnection);
        return id;
    }

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Quillbarrow"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setTransferTimeout(m_responseTimeoutMs);
    request.setSslConfiguration(ServiceTrust::configuration());

    QNetworkReply *reply = m_network->post(request, FormBody(fields));
    m_pending.insert(reply);
    // A fresh buffer for this reply alone, filled as the body arrives.
    auto body = std::make_shared<QByteArray>();
    auto oversized = std::make_shared<bool>(false);
    connect(reply, &QNetworkReply::readyRead, this, [reply, body, oversized] {
        if (*oversized)
            return;
        if (body->size() + reply->bytesAvailable() > kMaxReplyBytes) {
            *oversized = true;
            reply->abort();
            return;
        }
        *body += reply->readAll();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, id, body, oversized] {
        // An aborted reply (time-out, oversized) is closed and has nothing left to read.
        if (reply->isOpen() && !*oversized) {
            if (body->size() + reply->bytesAvailable() <= kMaxReplyBytes)
                *body += reply->readAll();
            else
                *oversized = true;
        }
        replyFinished(reply, id, *body, *oversized);
    });
    return id;
}

void FormPostClient::replyFinished(QNetworkReply *reply, quint64 requestId, const QByteArray &body,
                                   bool oversized) {
    m_pending.remove(reply);
    reply->deleteLater();
    if (oversized) {
        Q_EMIT RequestFailed(requestId,
                             QStringLiteral("the reply is longer than %1 bytes").arg(kMaxReplyBytes));
        return;
    }
    if (!replyArrived(*reply)) {
        Q_EMIT RequestFailed(requestId, reply->errorString());
        return;
    }
    Q_EMIT RequestCompleted(requestId, reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                            body);
}
