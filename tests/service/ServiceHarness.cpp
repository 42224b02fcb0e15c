#include "ServiceHarness.h"

#include "PgCluster.h"
#include "lib/ServiceAdmin.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QTimer>
#include <sodium.h>

using namespace Qt::StringLiterals;

QByteArray ServiceHarness::encodeForm(const FormList &fields) {
    QByteArray body;
    for (const auto &[name, value] : fields) {
        if (!value.isEmpty())
            body += (body.isEmpty() ? "" : "&") + QUrl::toPercentEncoding(name) + '=' +
                    QUrl::toPercentEncoding(value);
    }
    return body;
}

ServiceHarness::ServiceHarness(const std::function<void(ServiceConfig &)> &tweak) {
    m_config.argon2OpsLimit = crypto_pwhash_OPSLIMIT_MIN;
    m_config.argon2MemLimitBytes = crypto_pwhash_MEMLIMIT_MIN;
    m_config.storePollMilliseconds = 50;
    m_config.hashThreads = 2;
    if (tweak)
        tweak(m_config);
}

bool ServiceHarness::onPostgres() {
    return qgetenv("QUILLBARROW_TEST_DATABASE") == "postgresql";
}

QString ServiceHarness::backendProblem() {
    QString why;
    if (onPostgres())
        PgCluster::shared(&why);
    return why;
}

QString ServiceHarness::newDatabase(QString *error) {
    if (!onPostgres())
        return m_dir.filePath(u"service.db"_s);
    static int counter = 0;
    PgCluster *cluster = PgCluster::shared(error);
    return cluster ? cluster->createDatabase(u"harness%1"_s.arg(++counter), error) : QString();
}

QString ServiceHarness::start(const QStringList &emails) {
    QString error;
    if (m_address.isEmpty())
        m_address = newDatabase(&error);
    if (m_address.isEmpty())
        return error;
    m_store = ServiceStore::open(m_address, &error);
    m_adminStore = m_store ? ServiceStore::open(m_address, &error) : nullptr;
    if (!m_adminStore)
        return error;
    m_server = std::make_unique<AppServer>(*m_store, m_config);
    m_port = m_server->listen(QHostAddress::LocalHost, 0).value_or(0);
    if (m_port == 0)
        return u"the server does not listen"_s;
    ServiceAdmin admin(*m_adminStore, m_config);
    for (const QString &email : emails) {
        const QString name = email.section(u'@', 0, 0);
        const StoreResult added = admin.addUser(email, kPassword, name.left(1).toUpper() + name.mid(1));
        if (!added.ok())
            return added.error;
    }
    return {};
}

ServiceHarness::Reply ServiceHarness::request(const QByteArray &verb, const QString &pathAndQuery,
                                              const QByteArray &body,
                                              const QList<std::pair<QByteArray, QByteArray>> &headers) {
    QNetworkRequest req(QUrl(u"http://127.0.0.1:%1%2"_s.arg(m_port).arg(pathAndQuery), QUrl::TolerantMode));
    req.setHeader(QNetworkRequest::UserAgentHeader, QByteArray("Quillbarrow"));
    if (verb == "POST")
        req.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/x-www-form-urlencoded"));
    for (const auto &[name, value] : headers)
        req.setRawHeader(name, value);
    QNetworkReply *reply = m_network.sendCustomRequest(req, verb, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    Reply out;
    if (reply->isFinished()) {
        out.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        out.body = reply->readAll();
    }
    reply->abort();
    reply->deleteLater();
    return out;
}

QByteArray ServiceHarness::post(const QString &path, const FormList &fields, const QByteArray &realIp) {
    QList<std::pair<QByteArray, QByteArray>> headers;
    if (!realIp.isEmpty())
        headers.append({"X-Real-IP", realIp});
    return request("POST", path, encodeForm(fields), headers).body;
}

QByteArray ServiceHarness::login(const QString &email, const QString &password, const QByteArray &realIp) {
    const FormList form{{u"message"_s, u"LogIn Request."_s}, {u"email"_s, email}, {u"password"_s, password}};
    return post(u"/game/login.server.php"_s, form, realIp);
}

QByteArray ServiceHarness::logOff(const QString &email, const QString &loginId) {
    const FormList form{{u"message"_s, u"LogOFF!"_s}, {u"email"_s, email}, {u"loginid"_s, loginId}};
    return post(u"/game/login.server.php"_s, form);
}

QByteArray ServiceHarness::check(const QString &email, const QString &loginId, const QByteArray &realIp) {
    const FormList form{{u"message"_s, u"Keep Me Loged!"_s}, {u"email"_s, email}, {u"loginid"_s, loginId}};
    return post(u"/game/check.server.php"_s, form, realIp);
}

QByteArray ServiceHarness::chat(const QString &loginId, const QString &command, const QString &channel,
                                const QString &text, const QString &to, const QString &userName) {
    return post(u"/game/chat.php"_s, {{u"username"_s, userName},
                                      {u"command"_s, command},
                                      {u"channel"_s, channel},
                                      {u"chattext"_s, text},
                                      {u"wshpto"_s, to},
                                      {u"loginid"_s, loginId}});
}

ServiceHarness::Granted ServiceHarness::logIn(const QString &email, const QString &password,
                                              const QByteArray &realIp) {
    const QList<QByteArray> parts = login(email, password, realIp).split('|');
    if (parts.size() != 3 || parts[0] != "LogIn Granted!")
        return {};
    return Granted{QString::fromUtf8(parts[1]), QString::fromUtf8(parts[2])};
}
