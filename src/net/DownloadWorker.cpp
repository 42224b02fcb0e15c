#include "net/DownloadWorker.h"

#include "net/DownloadJob.h"

#include <QThread>

DownloadWorker::DownloadWorker(QObject *uiContext, std::shared_ptr<const TickClock> clock,
                               std::shared_ptr<std::atomic_int> jobsAlive)
    : m_uiContext(uiContext)
    , m_clock(std::move(clock))
    , m_jobsAlive(std::move(jobsAlive)) {}

void DownloadWorker::begin(const std::shared_ptr<DownloadLink> &link) {
    // Runs the whole download: meanwhile the abort flag is the only way in.
    m_job = new DownloadJob(link, m_uiContext, m_clock, m_jobsAlive, this);
    m_job->begin();
}

void DownloadWorker::shutDown() {
    QThread::currentThread()->quit();
}
