#pragma once

#include <QByteArray>
#include <QObject>
#include <QSslConfiguration>
#include <QString>
#include <functional>

class QSslSocket;

// One keep-alive HTTPS connection that posts forms one at a time, like one of the launcher's
// HTTP clients. Reconnects by itself when the server closed the connection between requests.
class BenchConnection : public QObject {
    Q_OBJECT
public:
    struct Result {
        bool ok = false;
        int status = 0;
        QByteArray body;
        qint64 latencyUs = 0;
        QString error;
    };
    using Done = std::function<void(const Result &)>;

    BenchConnection(quint16 port, const QSslConfiguration &config, QObject *parent = nullptr);
    ~BenchConnection() override;

    [[nodiscard]] bool busy() const { return static_cast<bool>(m_done); }
    [[nodiscard]] qint64 sentAtUs() const { return m_sentAtUs; }
    [[nodiscard]] int connects() const { return m_connects; }

    // The bytes of a form post; built once for the requests a client repeats.
    [[nodiscard]] QByteArray request(const QByteArray &path, const QByteArray &body) const;
    void post(const QByteArray &path, const QByteArray &body, Done done) {
        send(request(path, body), std::move(done));
    }
    void send(const QByteArray &request, Done done);
    // A watchdog expired: the launcher would give up here. The request is still completed when
    // its reply comes, so a slow server is not also buried under new TLS handshakes.
    void markLate() { m_late = true; }
    [[nodiscard]] bool late() const { return m_late; }

private:
    void onReadyRead();
    void onDisconnected();
    bool parseResponse();
    void fail(const QString &why);
    void finish(Result result);

    quint16 m_port;
    QSslConfiguration m_config;
    QSslSocket *m_socket = nullptr; // child of this
    QByteArray m_buffer;
    Done m_done;
    qint64 m_sentAtUs = 0;
    int m_connects = 0;
    bool m_late = false;
};
