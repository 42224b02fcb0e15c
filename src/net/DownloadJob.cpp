#include "net/DownloadJob.h"

#include "core/DownloadReadout.h"
#include "net/HttpGetStream.h"
#include "net/ServiceTrust.h"
#include "platform/TMySyncProcedure.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <algorithm>
#include <limits>

namespace {

int clampToInt(qint64 value) {
    return int(std::clamp<qint64>(value, 0, std::numeric_limits<int>::max()));
}

bool successStatus(const QNetworkReply &reply) {
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return status >= 200 && status < 300;
}

QString statusText(int status, const QByteArray &reasonPhrase) {
    const QString reason = QString::fromUtf8(reasonPhrase).trimmed();
    return reason.isEmpty() ? QStringLiteral("HTTP %1").arg(status)
                            : QStringLiteral("HTTP %1 %2").arg(status).arg(reason);
}

QString statusText(const QNetworkReply &reply) {
    return statusText(reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                      reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
}

} // namespace

DownloadJob::DownloadJob(std::shared_ptr<DownloadLink> link, QObject *uiContext,
                         std::shared_ptr<const TickClock> clock, std::shared_ptr<std::atomic_int> jobsAlive,
                         QObject *parent)
    : QObject(parent)
    , m_link(std::move(link))
    , m_id(m_link->Id)
    , m_uiContext(uiContext)
    , m_clock(std::move(clock))
    , m_jobsAlive(std::move(jobsAlive)) {
    ++*m_jobsAlive;
}

DownloadJob::~DownloadJob() {
    // A promise left unanswered would throw at the waiting side.
    answer({false, -1, QStringLiteral("The download of %1 was stopped.").arg(name())});
    if (!m_done)
        removePartialFile();
    --*m_jobsAlive;
}

QString DownloadJob::name() const {
    return QString::fromUtf8(m_link->Request.DisplayName.isEmpty() ? m_link->Request.FileName
                                                                   : m_link->Request.DisplayName);
}

QNetworkRequest DownloadJob::makeRequest() const {
    QNetworkRequest request(m_link->Request.url());
    // The transfer time-out counts from the request on and restarts with every byte, so it bounds
    // the connection as well as each wait for the server.
    request.setTransferTimeout(std::max(kConnectionTimeoutMs, kResponseTimeoutMs));
    request.setSslConfiguration(ServiceTrust::configuration());
    // The file as it lies on the server: a compressed transfer would be unpacked on the way, and its
    // length would no longer be the announced one.
    request.setRawHeader(QByteArrayLiteral("Accept-Encoding"), QByteArrayLiteral("identity"));
    return request;
}

void DownloadJob::answer(DownloadStart start) {
    if (m_answered)
        return;
    m_answered = true;
    m_link->Started.set_value(std::move(start));
}

void DownloadJob::begin() {
    m_network = new QNetworkAccessManager(this);
    m_head = m_network->head(makeRequest());
    QNetworkReply *head = m_head;
    connect(head, &QNetworkReply::finished, this, [this, head] { sizeFinished(head); });
}

void DownloadJob::sizeFinished(QNetworkReply *head) {
    head->deleteLater();
    if (m_done)
        return;
    if (m_link->Abort) {
        answer({false, -1, QStringLiteral("The download of %1 was stopped.").arg(name())});
        release();
        return;
    }
    if (!head->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
        answer(
            {false, -1,
             QStringLiteral("Can't reach the download server for %1: %2").arg(name(), failureText(*head))});
        release();
        return;
    }
    if (!successStatus(*head)) {
        answer({false, -1,
                QStringLiteral("The download server has no %1 (%2).")
                    .arg(QString::fromUtf8(m_link->Request.FileName), statusText(*head))});
        release();
        return;
    }
    const QVariant length = head->header(QNetworkRequest::ContentLengthHeader);
    m_announced = length.isValid() ? length.toLongLong() : -1;

    m_file.setFileName(m_link->Request.path());
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        answer(
            {false, -1, QStringLiteral("Cannot create %1: %2").arg(m_file.fileName(), m_file.errorString())});
        release();
        return;
    }
    m_fileCreated = true;

    m_startTick = m_clock->now();
    m_transfer = new HttpGetStream(m_link->Request.url(),
                                   {{QByteArrayLiteral("Accept-Encoding"), QByteArrayLiteral("identity")},
                                    {QByteArrayLiteral("User-Agent"), QByteArrayLiteral("Quillbarrow")}},
                                   ServiceTrust::configuration(),
                                   std::max(kConnectionTimeoutMs, kResponseTimeoutMs), this);
    connect(m_transfer, &HttpGetStream::headersReceived, this, &DownloadJob::checkStatus);
    connect(m_transfer, &HttpGetStream::bodyReceived, this, &DownloadJob::receive);
    connect(m_transfer, &HttpGetStream::finished, this, &DownloadJob::transferFinished);
    m_transfer->start();
    answer({true, m_announced, {}});
}

void DownloadJob::checkStatus() {
    const int status = m_transfer->status();
    if (status < 200 || status >= 300)
        m_failure = QStringLiteral("The download of %1 failed: the server answered %2.")
                        .arg(name(), statusText(status, m_transfer->reason()));
}

void DownloadJob::receive(QByteArrayView block) {
    if (m_done || !m_transfer)
        return;
    if (!m_failure.isEmpty()) {
        // An error page is not the file: read to its end and dropped; one that goes on and on is
        // cut off.
        m_discardedBytes += block.size();
        if (m_discardedBytes > kErrorPageBytes)
            m_transfer->abort();
        return;
    }
    if (m_file.write(block.data(), block.size()) != block.size()) {
        m_failure = QStringLiteral("The download of %1 failed: cannot write %2: %3")
                        .arg(name(), m_file.fileName(), m_file.errorString());
        m_transfer->abort();
        return;
    }
    m_received += block.size();

    bool abort = m_link->Abort;
    DownloadDataReceived(m_announced, m_received, abort);
    if (abort && m_transfer && !m_done) {
        m_link->Abort = true;
        m_transfer->abort();
    }
}

void DownloadJob::DownloadDataReceived(qint64, qint64 readCount, bool &abort) {
    if (abort)
        return;
    const quint32 elapsed = ticksBetween(m_startTick, m_clock->now());
    const qint64 speed = DownloadSpeed(readCount, elapsed).value_or(0);
    bool answer = abort;
    auto procedure = std::make_shared<TMySyncProcedure3<int, int, bool &>>(
        m_link.get(), &DownloadLink::ApplyDownloadProgress, clampToInt(readCount), clampToInt(speed), answer);
    // Not run means the UI end is gone: stop.
    if (!Synchronize(m_uiContext, procedure))
        answer = true;
    abort = answer;
}

void DownloadJob::transferFinished() {
    if (m_done || !m_transfer)
        return;
    m_done = true;
    const HttpGetStream &transfer = *m_transfer;

    if (m_discarded) {
        removePartialFile();
        release();
        return;
    }

    if (m_failure.isEmpty() && !m_file.flush())
        m_failure = QStringLiteral("The download of %1 failed: cannot write %2: %3")
                        .arg(name(), m_file.fileName(), m_file.errorString());
    m_file.close();

    // The GET's own length counts; the size request's stands in when the GET sent none.
    const qint64 expected = transfer.contentLength() >= 0 ? transfer.contentLength() : m_announced;

    DownloadLink::End end = DownloadLink::End::Completed;
    QString message;
    if (m_link->Abort) {
        end = DownloadLink::End::Stopped;
        message = QStringLiteral("The download of %1 was stopped.").arg(name());
    } else if (!m_failure.isEmpty()) {
        end = DownloadLink::End::Failed;
        message = m_failure;
    } else if (transfer.failure() != HttpGetStream::Failure::None) {
        end = DownloadLink::End::Failed;
        message = QStringLiteral("The download of %1 failed: %2").arg(name(), failureText(transfer));
    } else if (m_received == 0) {
        end = DownloadLink::End::Empty;
    } else if (expected >= 0 && m_received != expected) {
        end = DownloadLink::End::Failed;
        message = QStringLiteral("The download of %1 failed: %2 of %3 bytes arrived.")
                      .arg(name())
                      .arg(m_received)
                      .arg(expected);
    }
    if (end != DownloadLink::End::Completed)
        removePartialFile();

    m_link->Finish = end;
    m_link->BytesWritten = m_received;
    Synchronize(m_uiContext, std::make_shared<TMySyncProcedure1<QByteArray>>(
                                 m_link.get(), &DownloadLink::DownloadFinished, message.toUtf8()));
    release();
}

void DownloadJob::stop() {
    m_link->Abort = true;
    // Local copies: the guarded pointers may change between the test and the call.
    HttpGetStream *transfer = m_transfer.data();
    QNetworkReply *head = m_head.data();
    if (transfer && !m_done)
        transfer->abort();
    else if (head)
        head->abort();
}

void DownloadJob::discard() {
    m_discarded = true;
    m_link->Abort = true;
    if (m_done)
        return;
    HttpGetStream *transfer = m_transfer.data();
    QNetworkReply *head = m_head.data();
    if (transfer)
        transfer->abort();
    else if (head)
        head->abort();
    // Whatever the aborts did, this job is over and its file with it.
    if (!m_done) {
        m_done = true;
        removePartialFile();
        release();
    }
}

void DownloadJob::removePartialFile() {
    if (!m_fileCreated)
        return;
    m_file.close();
    m_file.remove();
    m_fileCreated = false;
}

void DownloadJob::release() {
    m_done = true;
    answer({false, -1, QStringLiteral("The download of %1 was stopped.").arg(name())});
    // Later, from the event loop: this call may be running inside the client's own signals.
    deleteLater();
}

QString DownloadJob::failureText(const QNetworkReply &reply) const {
    switch (reply.error()) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("the server refused the connection.");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("the server closed the connection.");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("the server was not found.");
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        // Cancelling is the abort flag's business; a cancel that comes from the network layer is
        // its time-out.
        return QStringLiteral("the server stopped answering.");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("the server's certificate is not trusted (%1).").arg(reply.errorString());
    default:
        return reply.errorString() + u'.';
    }
}

QString DownloadJob::failureText(const HttpGetStream &transfer) const {
    switch (transfer.failure()) {
    case HttpGetStream::Failure::Refused:
        return QStringLiteral("the server refused the connection.");
    case HttpGetStream::Failure::Closed:
        return QStringLiteral("the server closed the connection.");
    case HttpGetStream::Failure::HostNotFound:
        return QStringLiteral("the server was not found.");
    case HttpGetStream::Failure::TimedOut:
    case HttpGetStream::Failure::Aborted:
        // Stopping is the abort flag's business; an abort without it is the time-out's.
        return QStringLiteral("the server stopped answering.");
    case HttpGetStream::Failure::Tls:
        return QStringLiteral("the server's certificate is not trusted (%1).").arg(transfer.errorString());
    default:
        return transfer.errorString() + u'.';
    }
}
