#include "net/CurlTransfer.h"

#include "net/LocalCaPem.h"

#include <QFile>
#include <QFileInfo>
#include <mutex>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace {

constexpr long kBufferBytes = 512 * 1024;

void initOnce() {
    static std::once_flag done;
    std::call_once(done, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The build's local CA, parsed once; null when the build has none.
X509 *localCa() {
    static X509 *const ca = [] {
        BIO *bio = BIO_new_mem_buf(LocalCaPem, -1);
        X509 *made = bio ? PEM_read_bio_X509(bio, nullptr, nullptr, nullptr) : nullptr;
        BIO_free(bio);
        return made;
    }();
    return ca;
}

// The system roots stay as libcurl loads them; the local CA joins them.
CURLcode addLocalCa(CURL *, void *sslContext, void *) {
    if (X509 *ca = localCa()) {
        X509_STORE *store = SSL_CTX_get_cert_store(static_cast<SSL_CTX *>(sslContext));
        // Already there on a reused store: not an error.
        X509_STORE_add_cert(store, ca);
        ERR_clear_error();
    }
    return CURLE_OK;
}

QByteArray headerValue(QByteArrayView line, QByteArrayView name) {
    if (line.size() <= name.size() || line.at(name.size()) != ':' ||
        !line.first(name.size()).toByteArray().toLower().startsWith(name.toByteArray()))
        return {};
    return line.sliced(name.size() + 1).trimmed().toByteArray();
}

} // namespace

CurlTransfer::CurlTransfer(const QUrl &url, bool headOnly, const QList<QByteArray> &headers) {
    initOnce();
    m_easy = curl_easy_init();
    m_multi = curl_multi_init();
    for (const QByteArray &header : headers)
        m_headerList = curl_slist_append(m_headerList, header.constData());

    const QByteArray address = url.toEncoded();
    curl_easy_setopt(m_easy, CURLOPT_URL, address.constData());
    curl_easy_setopt(m_easy, CURLOPT_NOBODY, headOnly ? 1L : 0L);
    curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headerList);
    curl_easy_setopt(m_easy, CURLOPT_USERAGENT, "Quillbarrow");
    curl_easy_setopt(m_easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(m_easy, CURLOPT_MAXREDIRS, long(kMaxRedirects));
    curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http,https");
    // From https on, only https; plain http may still move up to https.
    curl_easy_setopt(m_easy, CURLOPT_REDIR_PROTOCOLS_STR, url.scheme() == u"https" ? "https" : "http,https");
    curl_easy_setopt(m_easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(m_easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(m_easy, CURLOPT_SSL_CTX_FUNCTION, &addLocalCa);
    // A machine without the system's bundle (no ca-certificates) still trusts the build's CA: libcurl
    // would otherwise refuse every connection for want of a file.
    const char *bundle = nullptr;
    if (curl_easy_getinfo(m_easy, CURLINFO_CAINFO, &bundle) == CURLE_OK && bundle &&
        !QFileInfo::exists(QFile::decodeName(bundle)))
        curl_easy_setopt(m_easy, CURLOPT_CAINFO, nullptr);
    const char *bundleFolder = nullptr;
    if (curl_easy_getinfo(m_easy, CURLINFO_CAPATH, &bundleFolder) == CURLE_OK && bundleFolder &&
        !QFileInfo::exists(QFile::decodeName(bundleFolder)))
        curl_easy_setopt(m_easy, CURLOPT_CAPATH, nullptr);
    // AES-128-GCM first: as safe for a download and a third cheaper to decrypt than AES-256, which
    // counts when the same cores also write and hash the file.
    curl_easy_setopt(m_easy, CURLOPT_TLS13_CIPHERS,
                     "TLS_AES_128_GCM_SHA256:TLS_AES_256_GCM_SHA384:TLS_CHACHA20_POLY1305_SHA256");
    curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT_MS, long(kConnectTimeoutMs));
    curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_TIME, long(kIdleTimeoutMs / 1000));
    curl_easy_setopt(m_easy, CURLOPT_BUFFERSIZE, kBufferBytes);
    curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_error);
    curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &CurlTransfer::onHeader);
    curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &CurlTransfer::onBody);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
}

CurlTransfer::~CurlTransfer() {
    curl_multi_cleanup(m_multi);
    curl_easy_cleanup(m_easy);
    curl_slist_free_all(m_headerList);
}

size_t CurlTransfer::onHeader(char *data, size_t size, size_t count, void *self) {
    auto *transfer = static_cast<CurlTransfer *>(self);
    const QByteArrayView line(data, qsizetype(size * count));
    Response &response = transfer->m_response;
    if (line.startsWith("HTTP/")) {
        // Each response of a redirect chain starts afresh; the last one stands.
        response = {};
        const QList<QByteArray> parts = line.trimmed().toByteArray().split(' ');
        response.status = parts.size() > 1 ? parts.at(1).toInt() : 0;
        response.reason = parts.mid(2).join(' ');
    } else if (QByteArray value = headerValue(line, "content-length"); !value.isEmpty()) {
        bool ok = false;
        const qint64 length = value.toLongLong(&ok);
        response.contentLength = ok && length >= 0 ? length : -1;
    } else if (value = headerValue(line, "etag"); !value.isEmpty()) {
        response.etag = value;
    } else if (value = headerValue(line, "last-modified"); !value.isEmpty()) {
        response.lastModified = value;
    } else if (value = headerValue(line, "content-range"); !value.isEmpty()) {
        response.contentRange = value;
    }
    return size * count;
}

size_t CurlTransfer::onBody(char *data, size_t size, size_t count, void *self) {
    auto *transfer = static_cast<CurlTransfer *>(self);
    const size_t bytes = size * count;
    if (transfer->m_sink && !transfer->m_sink(data, bytes))
        return 0;
    return bytes;
}

void CurlTransfer::setPaused(bool paused) {
    if (paused == m_paused)
        return;
    m_paused = paused;
    curl_easy_pause(m_easy, paused ? CURLPAUSE_RECV : CURLPAUSE_CONT);
}

CurlTransfer::Result CurlTransfer::run(const Round &round) {
    curl_multi_add_handle(m_multi, m_easy);
    bool stopped = false;
    int running = 1;
    for (;;) {
        if (curl_multi_perform(m_multi, &running) != CURLM_OK)
            break;
        const int waitMs = round ? round() : 50;
        if (waitMs < 0) {
            stopped = true;
            break;
        }
        if (running == 0)
            break;
        curl_multi_poll(m_multi, nullptr, 0, waitMs, nullptr);
    }
    m_code = CURLE_FAILED_INIT;
    int left = 0;
    while (CURLMsg *message = curl_multi_info_read(m_multi, &left))
        if (message->msg == CURLMSG_DONE && message->easy_handle == m_easy)
            m_code = message->data.result;
    curl_multi_remove_handle(m_multi, m_easy);
    m_result = stopped ? Result::RoundStopped : classify(m_code);
    if (!stopped && m_code == CURLE_OK) {
        long status = 0;
        curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &status);
        m_response.status = int(status);
    }
    return m_result;
}

CurlTransfer::Result CurlTransfer::classify(int code) {
    switch (code) {
    case CURLE_OK:
        return Result::Done;
    case CURLE_COULDNT_CONNECT:
        return Result::Refused;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return Result::HostNotFound;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_SSL_CONNECT_ERROR:
        return Result::Closed;
    case CURLE_OPERATION_TIMEDOUT:
        return Result::TimedOut;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return Result::Untrusted;
    case CURLE_TOO_MANY_REDIRECTS:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return Result::Redirects;
    case CURLE_WRITE_ERROR:
        return Result::SinkStopped;
    default:
        return Result::Other;
    }
}

QString CurlTransfer::failureText() const {
    const QString detail = QString::fromUtf8(m_error[0] ? m_error : curl_easy_strerror(CURLcode(m_code)));
    switch (m_result) {
    case Result::Done:
        return {};
    case Result::Refused:
        return QStringLiteral("the server refused the connection.");
    case Result::HostNotFound:
        return QStringLiteral("the server was not found.");
    case Result::Closed:
        return QStringLiteral("the server closed the connection.");
    case Result::TimedOut:
    case Result::RoundStopped:
        // Stopping is the abort flag's business; a stop without it is the time-out's.
        return QStringLiteral("the server stopped answering.");
    case Result::Untrusted:
        return QStringLiteral("the server's certificate is not trusted (%1).").arg(detail);
    case Result::Redirects:
        return m_code == CURLE_TOO_MANY_REDIRECTS
                   ? QStringLiteral("the server redirected more than %1 times.").arg(kMaxRedirects)
                   : QStringLiteral("the server redirected to an address that is not allowed (%1).")
                         .arg(detail);
    case Result::SinkStopped:
    case Result::Other:
        break;
    }
    return detail.endsWith(u'.') ? detail : detail + u'.';
}
