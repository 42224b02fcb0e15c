#include "net/DownloadJob.h"

#include "core/DownloadReadout.h"
#include "net/Sha256Pipe.h"
#include "platform/TMySyncProcedure.h"

#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <limits>

namespace {

int clampToInt(qint64 value) {
    return int(std::clamp<qint64>(value, 0, std::numeric_limits<int>::max()));
}

QString statusText(const CurlTransfer::Response &response) {
    const QString reason = QString::fromUtf8(response.reason).trimmed();
    return reason.isEmpty() ? QStringLiteral("HTTP %1").arg(response.status)
                            : QStringLiteral("HTTP %1 %2").arg(response.status).arg(reason);
}

bool success(const CurlTransfer::Response &response) {
    return response.status >= 200 && response.status < 300;
}

// The first line of a sha256sum file: 64 hex digits, then blanks and the name (or nothing).
std::optional<QByteArray> digestOf(const QByteArray &text) {
    static const QRegularExpression line(
        QStringLiteral("^([0-9a-fA-F]{64})(?:[ \\t]+\\*?[^\\n]*)?\\r?(?:\\n|$)"));
    const QRegularExpressionMatch match = line.match(QString::fromLatin1(text.left(4096)));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toLatin1().toLower();
}

// "bytes FIRST-LAST/TOTAL": FIRST and TOTAL (-1 when "*").
std::optional<std::pair<qint64, qint64>> rangeOf(const QByteArray &contentRange) {
    static const QRegularExpression form(QStringLiteral("^bytes (\\d+)-(\\d+)/(\\d+|\\*)$"));
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(contentRange));
    if (!match.hasMatch())
        return std::nullopt;
    const QString total = match.captured(3);
    return std::pair{match.captured(1).toLongLong(), total == u"*" ? qint64(-1) : total.toLongLong()};
}

QList<QByteArray> plainHeaders() {
    // The file as it lies on the server: a compressed transfer would be unpacked on the way, and its
    // length would no longer be the announced one.
    return {QByteArrayLiteral("Accept-Encoding: identity")};
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

QString DownloadJob::failedText(const QString &why) const {
    return QStringLiteral("The download of %1 failed: %2").arg(name(), why);
}

void DownloadJob::answer(DownloadStart start) {
    if (m_answered)
        return;
    m_answered = true;
    m_link->Started.set_value(std::move(start));
}

void DownloadJob::begin() {
    if (!sizeRequest()) {
        release();
        return;
    }
    if (m_link->Request.Purpose == DownloadPurpose::LauncherSetup)
        fetchSignature();
    if (fetchDigest())
        transfer();
    finish();
}

bool DownloadJob::sizeRequest() {
    m_block.reserve(kBlockBytes);
    CurlTransfer head(m_link->Request.url(), true, plainHeaders());
    head.run([this] { return m_link->Abort ? -1 : kRoundMs; });
    if (m_link->Abort) {
        answer({false, -1, QStringLiteral("The download of %1 was stopped.").arg(name())});
        return false;
    }
    if (head.result() != CurlTransfer::Result::Done) {
        answer(
            {false, -1,
             QStringLiteral("Can't reach the download server for %1: %2").arg(name(), head.failureText())});
        return false;
    }
    if (!success(head.response())) {
        answer({false, -1,
                QStringLiteral("The download server has no %1 (%2).")
                    .arg(QString::fromUtf8(m_link->Request.FileName), statusText(head.response()))});
        return false;
    }
    m_announced = head.response().contentLength;
    m_expected = m_announced;

    m_file.setFileName(m_link->Request.path());
    // Unbuffered: every block goes to the file with one write, as it arrives.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        answer(
            {false, -1, QStringLiteral("Cannot create %1: %2").arg(m_file.fileName(), m_file.errorString())});
        return false;
    }
    m_fileCreated = true;
    m_startTick = m_clock->now();
    answer({true, m_announced, {}});
    return true;
}

QByteArray DownloadJob::fetchSmall(const QString &suffix, qsizetype maxBytes, CurlTransfer::Result *result,
                                   CurlTransfer::Response *response, QString *failure) {
    QUrl url = m_link->Request.url();
    url.setPath(url.path() + suffix);
    CurlTransfer request(url, false, plainHeaders());
    QByteArray text;
    request.setSink([&text, maxBytes](const char *data, size_t size) {
        text.append(data, qsizetype(size));
        return text.size() <= maxBytes;
    });
    *result = request.run([this] { return m_link->Abort ? -1 : kRoundMs; });
    *response = request.response();
    *failure = request.failureText();
    return text;
}

void DownloadJob::fetchSignature() {
    CurlTransfer::Result result;
    CurlTransfer::Response response;
    QString failure;
    const QByteArray signature = fetchSmall(QStringLiteral(".sig"), 1024, &result, &response, &failure);
    // Judged by the window before it runs the setup; none or a broken one is refused there.
    if (result == CurlTransfer::Result::Done && success(response))
        m_link->Signature = signature;
}

bool DownloadJob::fetchDigest() {
    CurlTransfer::Result result;
    CurlTransfer::Response response;
    QString failure;
    const QByteArray text = fetchSmall(QStringLiteral(".sha256"), 64 * 1024, &result, &response, &failure);
    if (m_link->Abort)
        return false;
    const QString notDigest = QStringLiteral("the server's checksum file for it is not a SHA-256 checksum.");
    if (result != CurlTransfer::Result::Done) {
        m_failure = failedText(result == CurlTransfer::Result::SinkStopped
                                   ? notDigest
                                   : QStringLiteral("its checksum could not be read: %1").arg(failure));
        return false;
    }
    // None published: the file is taken as it comes.
    if (response.status == 404)
        return true;
    const std::optional<QByteArray> digest = success(response) ? digestOf(text) : std::nullopt;
    if (!digest) {
        m_failure = failedText(
            success(response)
                ? notDigest
                : QStringLiteral("its checksum could not be read (%1).").arg(statusText(response)));
        return false;
    }
    m_digest = *digest;
    m_hash = std::make_unique<Sha256Pipe>();
    return true;
}

void DownloadJob::transfer() {
    const std::vector<int> &waits = m_link->ResumeWaitsMs;
    int attempt = 0;
    for (;;) {
        const Attempt result = get(attempt);
        if (result == Attempt::Done || result == Attempt::Failed || result == Attempt::Stopped)
            return;
        if (size_t(attempt) >= waits.size()) {
            if (m_failure.isEmpty())
                m_failure = failedText(QStringLiteral("the file changed on the server while it downloaded."));
            return;
        }
        const int waitMs = waits[size_t(attempt)];
        ++attempt;
        if (result == Attempt::Broken) {
            notice(QStringLiteral("The download of %1 was interrupted; resuming in %2 s (attempt %3 of %4).")
                       .arg(name())
                       .arg((waitMs + 999) / 1000)
                       .arg(attempt)
                       .arg(waits.size()));
            if (!waitBeforeResume(waitMs))
                return;
        } else {
            notice(QStringLiteral("%1 changed on the server; its download starts over (attempt %2 of %3).")
                       .arg(name())
                       .arg(attempt)
                       .arg(waits.size()));
            if (!restartFromZero())
                return;
        }
        // The failure that ends the last attempt is that attempt's own.
        m_failure.clear();
    }
}

DownloadJob::Attempt DownloadJob::get(int attempt) {
    // Without a validator a range could join two different files: the whole file again.
    if (m_received > 0 && m_validator.isEmpty() && !restartFromZero())
        return Attempt::Failed;
    const qint64 offset = m_received;
    QList<QByteArray> headers = plainHeaders();
    if (offset > 0) {
        headers.append("Range: bytes=" + QByteArray::number(offset) + '-');
        headers.append("If-Range: " + m_validator);
    }
    CurlTransfer request(m_link->Request.url(), false, headers);
    m_firstBlock = true;
    m_errorPage = false;
    m_discardedBytes = 0;
    bool startOver = false;
    request.setSink([&](const char *data, size_t size) {
        if (m_firstBlock) {
            m_firstBlock = false;
            if (!acceptFirstBlock(request.response(), offset)) {
                startOver = m_failure.isEmpty();
                return false;
            }
        }
        return store(data, size);
    });
    // The speed limit counts from the request on, its first bytes included.
    m_limit = m_link->SpeedLimit ? m_link->SpeedLimit->load() : 0;
    m_gateBytes = m_received;
    m_gateTimer.start();
    const CurlTransfer::Result result = request.run([&] { return round(request); });
    // What arrived before a break is good: it stays, and the next attempt goes on after it.
    flushBlock();
    const CurlTransfer::Response &response = request.response();

    if (m_link->Abort)
        return Attempt::Stopped;
    if (startOver || (offset > 0 && response.status == 416))
        return Attempt::StartOver;
    if (result == CurlTransfer::Result::Done && !success(response) && !m_errorPage) {
        m_failure = failedText(QStringLiteral("the server answered %1.").arg(statusText(response)));
        m_errorPage = true;
    }
    // A retry answered with an error page may meet a server that is still starting.
    if (m_errorPage)
        return attempt > 0 ? Attempt::Broken : Attempt::Failed;
    if (!m_failure.isEmpty())
        return Attempt::Failed;
    switch (result) {
    case CurlTransfer::Result::Done:
        return Attempt::Done;
    case CurlTransfer::Result::Refused:
    case CurlTransfer::Result::Closed:
    case CurlTransfer::Result::TimedOut:
    case CurlTransfer::Result::HostNotFound:
        m_failure = failedText(request.failureText());
        // Only a transfer that brought bytes is resumed; one that never started fails as it did.
        return m_everReceived ? Attempt::Broken : Attempt::Failed;
    default:
        m_failure = failedText(request.failureText());
        return Attempt::Failed;
    }
}

bool DownloadJob::acceptFirstBlock(const CurlTransfer::Response &response, qint64 offset) {
    if (!success(response)) {
        // An error page is not the file: read to its end and dropped.
        if (!(offset > 0 && response.status == 416))
            m_failure = failedText(QStringLiteral("the server answered %1.").arg(statusText(response)));
        m_errorPage = true;
        return true;
    }
    const QByteArray validator = response.etag.isEmpty() ? response.lastModified : response.etag;
    if (offset == 0 || response.status != 206) {
        // The whole file from its first byte: a fresh start, or the server's answer that the range
        // no longer stands.
        if (offset > 0 && !restartFromZero())
            return false;
        m_validator = validator;
        if (response.contentLength >= 0)
            m_expected = response.contentLength;
        return true;
    }
    if (!validator.isEmpty() && validator != m_validator)
        return false; // another file under the same name: start over
    const std::optional<std::pair<qint64, qint64>> range = rangeOf(response.contentRange);
    if (!range || range->first != offset ||
        (m_expected >= 0 && range->second >= 0 && range->second != m_expected)) {
        m_failure =
            failedText(QStringLiteral("the server sent the wrong part of the file (%1 where bytes %2- "
                                      "were asked for).")
                           .arg(QString::fromLatin1(response.contentRange).left(80))
                           .arg(offset));
        return false;
    }
    if (range->second >= 0)
        m_expected = range->second;
    return true;
}

bool DownloadJob::store(const char *data, size_t size) {
    if (m_errorPage) {
        m_discardedBytes += qint64(size);
        // One that goes on and on is cut off.
        return m_discardedBytes <= kErrorPageBytes;
    }
    m_everReceived = true;
    while (size > 0) {
        const size_t part = std::min(size, kBlockBytes - m_block.size());
        m_block.insert(m_block.end(), data, data + part);
        data += part;
        size -= part;
        if (m_block.size() == kBlockBytes && !flushBlock())
            return false;
    }
    return true;
}

bool DownloadJob::flushBlock() {
    if (m_block.empty())
        return true;
    const qint64 size = qint64(m_block.size());
    if (m_file.write(m_block.data(), size) != size) {
        m_failure =
            failedText(QStringLiteral("cannot write %1: %2").arg(m_file.fileName(), m_file.errorString()));
        m_block.clear();
        return false;
    }
    // The hash takes the block as it is and hands back an empty one: no copy.
    if (m_hash)
        m_block = m_hash->exchange(std::move(m_block));
    m_block.clear();
    m_received += size;
    return true;
}

bool DownloadJob::restartFromZero() {
    m_block.clear();
    m_received = 0;
    m_reported = 0;
    m_expected = m_announced;
    m_gateTimer.invalidate();
    if (m_hash)
        m_hash->reset();
    if (!m_file.resize(0) || !m_file.seek(0)) {
        m_failure =
            failedText(QStringLiteral("cannot write %1: %2").arg(m_file.fileName(), m_file.errorString()));
        return false;
    }
    return true;
}

int DownloadJob::round(CurlTransfer &request) {
    if (m_link->Abort || !flushBlock())
        return -1;
    if (m_received > m_reported) {
        m_reported = m_received;
        bool abort = m_link->Abort;
        DownloadDataReceived(m_expected, m_received, abort);
        if (abort) {
            m_link->Abort = true;
            return -1;
        }
    }
    // The speed limit: never ahead of limit × time since it last changed; a change counts at once.
    const qint64 limit = m_link->SpeedLimit ? m_link->SpeedLimit->load() : 0;
    if (limit != m_limit || !m_gateTimer.isValid()) {
        m_limit = limit;
        m_gateBytes = m_received;
        m_gateTimer.start();
    }
    if (m_limit <= 0) {
        request.setPaused(false);
        return kRoundMs;
    }
    const qint64 dueMs = (m_received - m_gateBytes) * 1000 / m_limit;
    const qint64 aheadMs = dueMs - m_gateTimer.elapsed();
    request.setPaused(aheadMs > 0);
    return int(std::clamp<qint64>(aheadMs, 1, kRoundMs));
}

bool DownloadJob::waitBeforeResume(int ms) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < ms) {
        if (m_link->Abort)
            return false;
        QThread::msleep(quint64(std::min<qint64>(kRoundMs, ms - waited.elapsed())));
    }
    return !m_link->Abort;
}

void DownloadJob::notice(const QString &text) {
    Synchronize(m_uiContext, std::make_shared<TMySyncProcedure1<QByteArray>>(
                                 m_link.get(), &DownloadLink::Notice, text.toUtf8()));
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

void DownloadJob::finish() {
    m_done = true;
    if (m_failure.isEmpty() && !m_file.flush())
        m_failure =
            failedText(QStringLiteral("cannot write %1: %2").arg(m_file.fileName(), m_file.errorString()));
    m_file.close();

    DownloadLink::End end = DownloadLink::End::Completed;
    QString message;
    if (m_link->Abort) {
        end = DownloadLink::End::Stopped;
        message = QStringLiteral("The download of %1 was stopped.").arg(name());
    } else if (!m_failure.isEmpty()) {
        end = DownloadLink::End::Failed;
        message = m_failure;
    } else if (m_received == 0) {
        end = DownloadLink::End::Empty;
    } else if (m_expected >= 0 && m_received != m_expected) {
        end = DownloadLink::End::Failed;
        message = failedText(QStringLiteral("%1 of %2 bytes arrived.").arg(m_received).arg(m_expected));
    } else if (m_hash && m_hash->finish() != m_digest) {
        end = DownloadLink::End::Failed;
        message = QStringLiteral("The download of %1 is damaged: its SHA-256 checksum does not match the "
                                 "server's. It was removed and nothing was installed.")
                      .arg(name());
    }
    if (end != DownloadLink::End::Completed)
        removePartialFile();

    m_link->Finish = end;
    m_link->BytesWritten = m_received;
    Synchronize(m_uiContext, std::make_shared<TMySyncProcedure1<QByteArray>>(
                                 m_link.get(), &DownloadLink::DownloadFinished, message.toUtf8()));
    release();
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
    // Later, from the event loop, as the worker expects of its jobs.
    deleteLater();
}
