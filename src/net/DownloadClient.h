#pragma once

#include "net/DownloadOutcome.h"
#include "net/DownloadRequest.h"
#include "platform/TickClock.h"

#include <QByteArray>
#include <QObject>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class DownloadLink;
class DownloadWorker;

// The launcher's background download: one file at a time from the service into a local folder, on a
// worker thread of its own with a network client of its own. Lives on the UI thread; the window
// keeps one for its lifetime and supplies the two UI-thread handlers.
//
// - StartDownload blocks the UI thread for the size request (at most the connection plus the
//   response time-out), creates the target file and starts the transfer.
// - progress(readCount, speed, abort) runs on the UI thread once per received block while the worker
//   waits for it; speed is bytes per millisecond (0 while unknown), counts stop at INT_MAX. Setting
//   abort stops the transfer.
// - the notice handler (optional) runs on the UI thread with a line for the chat panel when a broken
//   transfer is about to be resumed or started over.
// - finished(outcome) runs on the UI thread once per started download, after the worker has let go
//   of the transfer, so it may start the next download (a Restart does exactly that).
//
// A transfer that breaks after bytes arrived is resumed from what is on disk after each of the resume
// waits; when they are used up, or a transfer fails otherwise, or delivers other than the announced
// number of bytes, or does not match the SHA-256 digest the service publishes beside it, it ends as
// Failed with a message and without its file. A transfer that delivers nothing ends as
// Restart up to kMaxEmptyRestarts times in a row for the same file and purpose, then as Failed.
// Handlers must not delete the client (deleteLater is fine); deleting it stops the transfer, waits
// for the worker and calls no handler.
class DownloadClient final : public QObject {
    Q_OBJECT
public:
    using ProgressHandler = std::function<void(int readCount, int speed, bool &abort)>;
    using FinishedHandler = std::function<void(const DownloadOutcome &outcome)>;
    using NoticeHandler = std::function<void(const QString &line)>;

    static constexpr int kMaxEmptyRestarts = 3;
    static const std::vector<int> kResumeWaitsMs; // 1, 2, 4, 8, 16 s

    // clock: read on the worker thread for the speed; the system's tick count when none is given.
    DownloadClient(ProgressHandler progress, FinishedHandler finished,
                   std::shared_ptr<const TickClock> clock = nullptr, QObject *parent = nullptr);
    ~DownloadClient() override;
    DownloadClient(const DownloadClient &) = delete;
    DownloadClient &operator=(const DownloadClient &) = delete;

    // Refused while another download runs (a cancelled one that is still winding down is replaced).
    DownloadStart StartDownload(const DownloadRequest &request);
    // Stops the running download; it ends as Stopped, its partial file removed.
    void Cancel();

    void setNoticeHandler(NoticeHandler notice) { m_notice = std::move(notice); }
    // For downloads started from now on (tests shorten them).
    void setResumeWaits(std::vector<int> waitsMs) { m_resumeWaitsMs = std::move(waitsMs); }
    // Bytes per second, 0 for none; a running download follows within a fraction of a second.
    void setSpeedLimit(qint64 bytesPerSecond) { *m_speedLimit = std::max<qint64>(0, bytesPerSecond); }
    [[nodiscard]] qint64 speedLimit() const { return *m_speedLimit; }

    // No download started and not yet ended.
    [[nodiscard]] bool isIdle() const { return !m_current; }
    // Worker-side jobs not yet released (each releases itself once, after its end).
    [[nodiscard]] int jobsAlive() const { return *m_jobsAlive; }

private:
    friend class DownloadLink;
    enum class Phase { Sizing, Transferring, Stopping };

    void progressOnUi(DownloadLink &link, int readCount, int speed, bool &abort);
    void finishOnUi(DownloadLink &link, const QByteArray &message);
    void noticeOnUi(DownloadLink &link, const QByteArray &message);
    // Waits until done(ms) reports true, running the worker's hand-overs to this thread meanwhile:
    // the worker may be waiting for this thread while this thread waits for the worker.
    bool waitServingHandOvers(const std::function<bool(int)> &done, int timeoutMs);
    DownloadOutcome outcomeOf(const DownloadLink &link, Phase phase, const QByteArray &message);

    ProgressHandler m_progress;
    FinishedHandler m_finished;
    NoticeHandler m_notice;
    std::vector<int> m_resumeWaitsMs = kResumeWaitsMs;
    std::shared_ptr<std::atomic<qint64>> m_speedLimit = std::make_shared<std::atomic<qint64>>(0);
    std::shared_ptr<std::atomic_int> m_jobsAlive = std::make_shared<std::atomic_int>(0);
    QObject *m_handOver; // the UI end of every hand-over, and nothing else
    QThread m_thread;
    DownloadWorker *m_worker; // on m_thread; deleted there when the thread ends
    std::shared_ptr<DownloadLink> m_current;
    Phase m_phase = Phase::Sizing;
    quint64 m_lastId = 0;
    bool m_closing = false;
    QByteArray m_emptyKey;
    int m_emptyRuns = 0;
};
