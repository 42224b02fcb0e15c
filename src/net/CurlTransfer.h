#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <curl/curl.h>
#include <functional>

// One HTTP request on libcurl, run to its end on the calling thread. Trust is the system's roots plus
// the build's local CA, peer and host name always verified; at most kMaxRedirects redirects are
// followed, never from https to http. Proxies come from the usual environment variables. The body
// goes to the sink as it arrives; after every round of the transfer the caller's round function runs
// outside libcurl and says how long the next wait for the network may be, or stops the request.
class CurlTransfer {
public:
    static constexpr int kMaxRedirects = 10;
    // At most that long without a byte moving, while connecting as while receiving.
    static constexpr int kConnectTimeoutMs = 3000;
    static constexpr int kIdleTimeoutMs = 3000;

    // The final response, after redirects.
    struct Response {
        int status = 0;
        QByteArray reason;
        qint64 contentLength = -1;
        QByteArray etag;
        QByteArray lastModified;
        QByteArray contentRange;
    };
    enum class Result {
        Done,
        Refused,
        HostNotFound,
        Closed, // the connection ended before the whole response
        TimedOut,
        Untrusted,
        Redirects, // too many, or to an address we do not follow
        SinkStopped,
        RoundStopped,
        Other,
    };
    // false stops the request (SinkStopped).
    using Sink = std::function<bool(const char *data, size_t size)>;
    // Milliseconds the next wait for the network may last; negative stops the request (RoundStopped).
    using Round = std::function<int()>;

    CurlTransfer(const QUrl &url, bool headOnly, const QList<QByteArray> &headers);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer &) = delete;
    CurlTransfer &operator=(const CurlTransfer &) = delete;

    void setSink(Sink sink) { m_sink = std::move(sink); }
    Result run(const Round &round);
    // Holds the receiving side (a speed limit) without counting as the server falling silent.
    void setPaused(bool paused);

    [[nodiscard]] const Response &response() const { return m_response; }
    // The failure in words for a chat line, ending in a full stop; empty for Done.
    [[nodiscard]] QString failureText() const;
    [[nodiscard]] Result result() const { return m_result; }

private:
    static size_t onHeader(char *data, size_t size, size_t count, void *self);
    static size_t onBody(char *data, size_t size, size_t count, void *self);
    static Result classify(int code);

    CURL *m_easy = nullptr;
    CURLM *m_multi = nullptr;
    curl_slist *m_headerList = nullptr;
    Sink m_sink;
    Response m_response;
    Result m_result = Result::Other;
    int m_code = 0;
    bool m_paused = false;
    char m_error[256] = {};
};
