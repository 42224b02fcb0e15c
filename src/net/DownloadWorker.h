#pragma once

#include "net/DownloadLink.h"
#include "platform/TickClock.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <memory>

class DownloadJob;

// The download client's object on its worker thread: runs one job at a time, each to its end before
// the next begins, so two jobs never write the same file.
class DownloadWorker final : public QObject {
    Q_OBJECT
public:
    DownloadWorker(QObject *uiContext, std::shared_ptr<const TickClock> clock,
                   std::shared_ptr<std::atomic_int> jobsAlive);

    // Worker thread, called through queued calls from the client.
    void begin(const std::shared_ptr<DownloadLink> &link);
    // Ends the thread's event loop (the job before it has ended, its abort flag raised).
    void shutDown();

private:
    QObject *m_uiContext;
    std::shared_ptr<const TickClock> m_clock;
    std::shared_ptr<std::atomic_int> m_jobsAlive;
    QPointer<DownloadJob> m_job;
};
