#include "net/DownloadClient.h"

#include "net/DownloadJob.h"
#include "net/DownloadLink.h"
#include "net/DownloadWorker.h"
#include "net/ServiceTrust.h"
#include "platform/MonotonicTickClock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <chrono>

namespace {

// Beyond the worker's own time-outs, for the hop to the worker and back.
constexpr int kSizeRequestSlackMs = 1000;
// How often a waiting UI thread looks for hand-overs.
constexpr int kServeIntervalMs = 2;

QByteArray emptyRunKey(const DownloadRequest &request) {
    return QByteArray::number(int(request.Purpose)) + '/' + QByteArray::number(request.GameIndex) + '/' +
           request.BaseUrl + request.FileName;
}

} // namespace

const std::vector<int> DownloadClient::kResumeWaitsMs = {1000, 2000, 4000, 8000, 16000};

DownloadClient::DownloadClient(ProgressHandler progress, FinishedHandler finished,
                               std::shared_ptr<const TickClock> clock, QObject *parent)
    : QObject(parent)
    , m_progress(std::move(progress))
    , m_finished(std::move(finished))
    , m_handOver(new QObject(this)) {
    if (!clock)
        clock = std::make_shared<MonotonicTickClock>();
    m_worker = new DownloadWorker(m_handOver, std::move(clock), m_jobsAlive);
    m_worker->moveToThread(&m_thread);
    // Deleted on the worker thread as it ends, and its jobs with it.
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("DownloadWorker"));
    m_thread.start();
    // Qt's trust store (the system roots, read and parsed once per process) is slow to build; the
    // form posts on the UI thread need it, so it is built here, off the UI thread, while the
    // window is young.
    QMetaObject::invokeMethod(
        m_worker, [] { (void)ServiceTrust::configuration(); }, Qt::QueuedConnection);
}

DownloadClient::~DownloadClient() {
    m_closing = true;
    if (m_current)
        m_current->Abort = true;
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->shutDown(); }, Qt::QueuedConnection);
    // No time limit: the worker blocks on nothing but these hand-overs, which are served here.
    waitServingHandOvers([this](int ms) { return m_thread.wait(QDeadlineTimer(ms)); }, -1);
    m_current.reset();
}

bool DownloadClient::waitServingHandOvers(const std::function<bool(int)> &done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                                : QDeadlineTimer(timeoutMs));
    while (!done(kServeIntervalMs)) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::sendPostedEvents(m_handOver, QEvent::MetaCall);
    }
    return true;
}

DownloadStart DownloadClient::StartDownload(const DownloadRequest &request) {
    if (m_closing)
        return {false, -1, QStringLiteral("The download client is closing.")};
    if (m_current && m_phase != Phase::Stopping)
        return {false, -1, QStringLiteral("Another download is still running.")};
    if (const std::optional<QString> problem = request.problem())
        return {false, -1, QStringLiteral("Cannot download: %1.").arg(*problem)};

    auto link = std::make_shared<DownloadLink>(++m_lastId, request, this);
    link->ResumeWaitsMs = m_resumeWaitsMs;
    link->SpeedLimit = m_speedLimit;
    // A cancelled download still winding down is no longer ours: its hand-overs are answered "stop".
    m_current = link;
    m_phase = Phase::Sizing;
    std::future<DownloadStart> answer = link->Started.get_future();
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, link] { worker->begin(link); }, Qt::QueuedConnection);

    const bool answered = waitServingHandOvers(
        [&answer](int ms) {
            return answer.wait_for(std::chrono::milliseconds(ms)) == std::future_status::ready;
        },
        DownloadJob::kConnectionTimeoutMs + DownloadJob::kResponseTimeoutMs + kSizeRequestSlackMs);
    if (!answered) {
        link->Abort = true;
        if (m_current == link)
            m_current.reset();
        return {false, -1,
                QStringLiteral("No answer from the download server for %1.")
                    .arg(QString::fromUtf8(request.DisplayName))};
    }
    DownloadStart start = answer.get();
    if (m_current == link) {
        if (start.Started)
            m_phase = Phase::Transferring;
        else
            m_current.reset();
    }
    return start;
}

void DownloadClient::Cancel() {
    m_emptyRuns = 0;
    if (!m_current || m_phase == Phase::Stopping)
        return;
    // The worker looks at the flag at least every DownloadJob::kRoundMs.
    m_current->Abort = true;
    m_phase = Phase::Stopping;
}

void DownloadClient::progressOnUi(DownloadLink &link, int readCount, int speed, bool &abort) {
    if (m_closing || m_current.get() != &link || m_phase == Phase::Stopping) {
        abort = true;
        return;
    }
    // A block that arrives while StartDownload has not yet returned: the window is not ready for
    // it, and the next block reports the whole count again.
    if (m_phase == Phase::Sizing)
        return;
    if (m_progress)
        m_progress(readCount, speed, abort);
}

void DownloadClient::finishOnUi(DownloadLink &link, const QByteArray &message) {
    if (m_closing || m_current.get() != &link)
        return;
    const DownloadOutcome outcome = outcomeOf(link, m_phase, message);
    m_current.reset();
    // From the event loop, once the worker has gone on: the handler may start the next download.
    QMetaObject::invokeMethod(
        this,
        [this, outcome] {
            if (m_finished)
                m_finished(outcome);
        },
        Qt::QueuedConnection);
}

void DownloadClient::noticeOnUi(DownloadLink &link, const QByteArray &message) {
    if (m_closing || m_current.get() != &link || m_phase == Phase::Stopping)
        return;
    if (m_notice)
        m_notice(QString::fromUtf8(message));
}

DownloadOutcome DownloadClient::outcomeOf(const DownloadLink &link, Phase phase, const QByteArray &message) {
    DownloadOutcome outcome;
    outcome.Purpose = link.Request.Purpose;
    outcome.GameIndex = link.Request.GameIndex;
    outcome.FilePath = link.Request.path();
    outcome.DisplayName = link.Request.DisplayName;
    outcome.BytesWritten = link.BytesWritten;
    outcome.Signature = link.Signature;
    outcome.Message = QString::fromUtf8(message);
    const QString name = QString::fromUtf8(link.Request.DisplayName);

    DownloadLink::End end = link.Finish;
    // Cancelled after the worker had already decided: still a stopped download, and nothing of it stays.
    if (phase == Phase::Stopping && end != DownloadLink::End::Stopped) {
        if (end == DownloadLink::End::Completed)
            QFile::remove(outcome.FilePath);
        end = DownloadLink::End::Stopped;
        outcome.Message = QStringLiteral("The download of %1 was stopped.").arg(name);
    }
    if (end != DownloadLink::End::Empty)
        m_emptyRuns = 0;

    switch (end) {
    case DownloadLink::End::Completed:
        outcome.Result = DownloadOutcome::Kind::Completed;
        break;
    case DownloadLink::End::Stopped:
        outcome.Result = DownloadOutcome::Kind::Stopped;
        break;
    case DownloadLink::End::Failed:
        outcome.Result = DownloadOutcome::Kind::Failed;
        break;
    case DownloadLink::End::Empty: {
        const QByteArray key = emptyRunKey(link.Request);
        if (key != m_emptyKey || m_emptyRuns == 0) {
            m_emptyKey = key;
            m_emptyRuns = 0;
        }
        ++m_emptyRuns;
        if (m_emptyRuns > kMaxEmptyRestarts) {
            outcome.Result = DownloadOutcome::Kind::Failed;
            outcome.Message = QStringLiteral("The download of %1 failed: the server sent no data (%2 tries).")
                                  .arg(name)
                                  .arg(m_emptyRuns);
            m_emptyRuns = 0;
        } else {
            outcome.Result = DownloadOutcome::Kind::Restart;
            outcome.Message = QStringLiteral("The server sent no data for %1; trying again (%2 of %3).")
                                  .arg(name)
                                  .arg(m_emptyRuns)
                                  .arg(kMaxEmptyRestarts);
        }
        break;
    }
    }
    return outcome;
}
