#include "net/DownloadWorker.h"

#include "net/DownloadJob.h"

#include <QThread>

DownloadWorker::DownloadWorker(QObject *uiContext, std::shared_ptr<const TickClock> clock,
                               std::shared_ptr<std::atomic_int> jobsAlive)
    : m_uiContext(uiContext)
    , m_clock(std::move(clock))
    , m_jobsAlive(std::move(jobsAlive)) {}

void DownloadWorker::begin(const std::shared_ptr<DownloadLink> &link) {
    if (DownloadJob *before = m_job.data())
        before->discard();
    m_job = new DownloadJob(link, m_uiContext, m_clock, m_jobsAlive, this);
    m_job->begin();
}

void DownloadWorker::stop(quint64 id) {
    DownloadJob *job = m_job.data();
    if (job && job->id() == id)
        job->stop();
}

void DownloadWorker::shutDown() {
    if (DownloadJob *job = m_job.data())
        job->discard();
    QThread::currentThread()->quit();
}
