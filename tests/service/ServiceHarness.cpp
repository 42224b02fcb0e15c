#include "ServiceHarness.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <sodium.h>

ServiceConfig ServiceHarness::testConfig() {
    ServiceConfig c;
    c.argon2OpsLimit = crypto_pwhash_OPSLIMIT_MIN;
    c.argon2MemLimitBytes = crypto_pwhash_MEMLIMIT_MIN;
    c.storePollMilliseconds = 50;
    c.hashThreads = 2;
    return c;
}

QByteArray ServiceHarness::encodeForm(const FormList &fields) {
    QByteArray body;
    for (const auto &[name, value] : fields) {
        if (value.isEmpty())
            continue;
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    }
    return body;
}

ServiceHarness::ServiceHarness(const ServiceConfig &config)
    : m_config(config) {}

ServiceHarness::~ServiceHarness() {
    m_server.reset();
    m_adminStore.reset();
    m_store.reset();
}

QString ServiceHarness::databasePath() const {
    return m_dir.filePath(QStringLiteral("service.db"));
}

QString ServiceHarness::start() {
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder");
    QString error;
    if (!m_store) {
        m_store = ServiceStore::open(databasePath(), &error);
        if (!m_store)
            return error;
        m_adminStore = ServiceStore::open(databasePath(), &error);
        if (!m_adminStore)
            return error;
    }
    m_server = std::make_unique<AppServer>(*m_store, m_config);
    const std::optional<quint16> port = m_server->listen(QHostAddress::LocalHost, 0);
    if (!port)
        return QStringLiteral("the server does not listen");
    m_port = *port;
    return {};
}

QString ServiceHarness::restart() {
    m_server.reset();
    m_network.clearConnectionCache();
    return start();
}

ServiceHarness::Reply ServiceHarness::request(const QByteArray &verb, const QString &pathAndQuery,
                                              const QByteArray &body,
                                              const QList<std::pair<QByteArray, QByteArray>> &headers) {
    QNetworkRequest req(
        QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(pathAndQuery), QUrl::TolerantMode));
    req.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Quillbarrow"));
    if (verb == "POST")
        req.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    for (const auto &[name, value] : headers)
        req.setRawHeader(name, value);
    // QNetworkAccessManager reads a body after a custom HEAD; its own head() does not.
    QNetworkReply *reply =
        verb == "HEAD" ? m_network.head(req) : m_network.sendCustomRequest(req, verb, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    Reply out;
    if (reply->isFinished()) {
        out.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        out.body = reply->readAll();
        out.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    } else {
        reply->abort();
    }
    reply->deleteLater();
    return out;
}

QByteArray ServiceHarness::post(const QString &path, const FormList &fields, const QByteArray &realIp) {
    QList<std::pair<QByteArray, QByteArray>> headers;
    if (!realIp.isEmpty())
        headers.append({QByteArrayLiteral("X-Real-IP"), realIp});
    return request(QByteArrayLiteral("POST"), path, encodeForm(fields), headers).body;
}

QByteArray ServiceHarness::login(const QString &email, const QString &password, const QByteArray &realIp) {
    return post(QStringLiteral("/game/login.server.php"),
                {{QStringLiteral("message"), QStringLiteral("LogIn Request.")},
                 {QStringLiteral("email"), email},
                 {QStringLiteral("password"), password}},
                realIp);
}

QByteArray ServiceHarness::logOff(const QString &email, const QString &loginId) {
    return post(QStringLiteral("/game/login.server.php"),
                {{QStringLiteral("message"), QStringLiteral("LogOFF!")},
                 {QStringLiteral("email"), email},
                 {QStringLiteral("loginid"), loginId}});
}

QByteArray ServiceHarness::check(const QString &email, const QString &loginId, const QString &userName,
                                 const QByteArray &realIp) {
    return post(QStringLiteral("/game/check.server.php"),
                {{QStringLiteral("message"), QStringLiteral("Keep Me Loged!")},
                 {QStringLiteral("email"), email},
                 {QStringLiteral("loginid"), loginId},
                 {QStringLiteral("username"), userName}},
                realIp);
}

QByteArray ServiceHarness::chat(const QString &loginId, const QString &command, const QString &channel,
                                const QString &text, const QString &to, const QString &userName) {
    return post(QStringLiteral("/game/chat.php"), {{QStringLiteral("username"), userName},
                                                   {QStringLiteral("command"), command},
                                                   {QStringLiteral("channel"), channel},
                                                   {QStringLiteral("chattext"), text},
                                                   {QStringLiteral("wshpto"), to},
                                                   {QStringLiteral("loginid"), loginId}});
}

std::optional<ServiceHarness::Granted> ServiceHarness::logIn(const QString &email, const QString &password,
                                                             const QByteArray &realIp) {
    const QByteArray reply = login(email, password, realIp);
    if (!reply.startsWith("LogIn Granted!|"))
        return std::nullopt;
    const qsizetype last = reply.lastIndexOf('|');
    if (last < 15)
        return std::nullopt;
    return Granted{QString::fromUtf8(reply.mid(15, last - 15)), QString::fromUtf8(reply.mid(last + 1))};
}
