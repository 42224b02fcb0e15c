#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QObject>
#include <QSslConfiguration>
#include <QSslError>
#include <QTimer>
#include <QUrl>
#include <optional>

class QSslSocket;

// One HTTP/1.1 GET over a socket of its own on the calling thread's event loop, the body handed out
// block by block as the socket yields it. It stands where a QNetworkReply would for the download's
// transfer: Qt's HTTP layer moves every block through a thread of its own and copies it twice on the
// way, which halves the throughput of a large file on a fast link.
//
// TLS for https with the configuration given (its verification settings hold; the peer's name is
// checked). Redirects are followed except from https to http. The body comes raw (Content-Length,
// chunked, or up to the close); the caller's Accept-Encoding decides whether that is the file itself.
// No byte moving for idleTimeoutMs, from the start on, ends the request as TimedOut.
class HttpGetStream final : public QObject {
    Q_OBJECT
public:
    enum class Failure {
        None,
        Refused,
        HostNotFound,
        Closed, // the connection ended before the whole response
        TimedOut,
        Tls,
        Protocol, // not an HTTP response we can read, or a redirect we do not follow
        Aborted,
        Other,
    };
    static constexpr int kMaxRedirects = 10;

    HttpGetStream(QUrl url, QList<std::pair<QByteArray, QByteArray>> headers, QSslConfiguration tls,
                  int idleTimeoutMs, QObject *parent = nullptr);
    ~HttpGetStream() override;

    void start();
    // Ends the request as Aborted; finished is emitted before this returns (unless it already was).
    void abort();

    // Of the final response (after redirects); valid once headersReceived was emitted.
    [[nodiscard]] int status() const { return m_status; }
    [[nodiscard]] QByteArray reason() const { return m_reason; }
    // The response's Content-Length; -1 when it sent none (chunked, or up to the close).
    [[nodiscard]] qint64 contentLength() const { return m_contentLength; }
    [[nodiscard]] Failure failure() const { return m_failure; }
    // What went wrong, in words of the socket or the parser; empty without a failure.
    [[nodiscard]] QString errorString() const { return m_errorString; }
    [[nodiscard]] bool isFinished() const { return m_finished; }

Q_SIGNALS:
    // The final response's status line and headers are in.
    void headersReceived();
    // A block of the body; valid only during the call. abort() may be called from the handler.
    void bodyReceived(QByteArrayView block);
    // Once, at the end, whether complete or failed.
    void finished();

private:
    enum class Phase {
        Connecting,
        StatusLine,
        Headers,
        Body,
        ChunkSize,
        ChunkData,
        ChunkEnd,
        Trailers,
        Done
    };

    void connectTo(const QUrl &url);
    void sendRequest();
    void readSoon();
    void readSome();
    bool readHead();
    bool headerLine(const QByteArray &line);
    bool headEnded();
    void readBody();
    void readChunked();
    std::optional<QByteArray> nextLine();
    void socketEnded();
    void socketFailed();
    void fail(Failure failure, const QString &text);
    void complete();
    void finish();
    void touch();
    void dropSocket();

    QUrl m_url;
    QList<std::pair<QByteArray, QByteArray>> m_headers;
    QSslConfiguration m_tls;
    QSslSocket *m_socket = nullptr;
    QTimer m_idle;
    QList<QSslError> m_sslErrors;
    Phase m_phase = Phase::Connecting;
    int m_redirects = 0;
    int m_status = 0;
    QByteArray m_reason;
    QByteArray m_location;
    bool m_chunked = false;
    qint64 m_contentLength = -1;
    qint64 m_remaining = -1; // of the body, or of the current chunk; -1: up to the close
    QByteArray m_buffer;
    Failure m_failure = Failure::None;
    QString m_errorString;
    bool m_finished = false;
    bool m_readPending = false;
};
