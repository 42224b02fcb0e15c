#pragma once

#include "net/DownloadLink.h"
#include "platform/TickClock.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <memory>

class DownloadJob;

// The download client's object on its worker thread: runs one job at a time. A new job first
// discards the one before it, so two jobs never write the same file.
class DownloadWorker final : public QObject {
    Q_OBJECT
public:
    DownloadWorker(QObject *uiContext, std::shared_ptr<const TickClock> clock,
                   std::shared_ptr<std::atomic_int> jobsAlive);

    // Worker thread, called through queued calls from the client.
    void begin(const std::shared_ptr<DownloadLink> &link);
    void stop(quint64 id);
    // Discards the running job and ends the thread's event loop.
    void shutDown();

private:
    QObject *m_uiContext;
    std::shared_ptr<const TickClock> m_clock;
    std::shared_ptr<std::atomic_int> m_jobsAlive;
    QPointer<DownloadJob> m_job;
};
