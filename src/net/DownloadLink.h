#pragma once

#include "net/DownloadOutcome.h"
#include "net/DownloadRequest.h"

#include <QByteArray>
#include <atomic>
#include <future>
#include <memory>
#include <vector>

class DownloadClient;

// One download as both threads see it. The client makes it on the UI thread and keeps it while it is
// the download it runs; the worker's job keeps it to its end. The worker's hand-overs call its two
// methods on the UI thread, and they pass the call on to the client, which knows whether this
// download is still the one it runs.
class DownloadLink {
public:
    enum class End { Completed, Empty, Stopped, Failed };

    DownloadLink(quint64 id, DownloadRequest request, DownloadClient *client);

    const quint64 Id;
    const DownloadRequest Request;
    // Raised by the UI thread (Cancel, the progress answer, the client's end) or by the worker.
    std::atomic_bool Abort{false};
    // The size request's answer, given once by the worker.
    std::promise<DownloadStart> Started;
    // How the transfer ended: written by the worker before it hands the finish over, read on the UI
    // thread during that hand-over, while the worker waits.
    End Finish = End::Failed;
    qint64 BytesWritten = 0;
    QByteArray Signature;
    // Set by the client before the worker starts: the waits before each attempt to resume a broken
    // transfer (their number is the number of attempts), and the speed limit in bytes per second
    // (0: none), which the UI thread may change while the transfer runs.
    std::vector<int> ResumeWaitsMs;
    std::shared_ptr<const std::atomic<qint64>> SpeedLimit;

    // UI thread, handed over by the worker with Synchronize.
    void ApplyDownloadProgress(int readCount, int speed, bool &abort);
    void DownloadFinished(QByteArray message);
    void Notice(QByteArray message);

private:
    DownloadClient *m_client;
};
