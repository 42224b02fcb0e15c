#include "lib/HashWorker.h"

#include <algorithm>

HashWorker::HashWorker(const PasswordHasher &hasher, int threads, int maxPending, QObject *parent)
    : QObject(parent)
    , m_hasher(hasher)
    , m_maxPending(maxPending) {
    m_pool.setMaxThreadCount(threads > 0 ? threads : std::max(1, QThread::idealThreadCount() - 1));
}

HashWorker::~HashWorker() {
    // Results still queued for this object are dropped with it; the threads must be done first.
    m_pool.clear();
    m_pool.waitForDone();
}

void HashWorker::verify(const QByteArray &storedHash, const QByteArray &password,
                        std::function<void(bool)> done) {
    ++m_pending;
    const PasswordHasher hasher = m_hasher;
    // The destructor waits for the pool, so `this` outlives every task; a result queued for a
    // destroyed worker is dropped by Qt.
    m_pool.start([this, hasher, storedHash, password, done = std::move(done)]() mutable {
        bool ok = false;
        if (storedHash.isEmpty())
            hasher.verifyNothing(password);
        else
            ok = hasher.verify(storedHash, password);
        QMetaObject::invokeMethod(
            this,
            [this, ok, done = std::move(done)]() {
                --m_pending;
                done(ok);
            },
            Qt::QueuedConnection);
    });
}

void HashWorker::hash(const QByteArray &password, std::function<void(std::optional<QByteArray>)> done) {
    ++m_pending;
    const PasswordHasher hasher = m_hasher;
    m_pool.start([this, hasher, password, done = std::move(done)]() mutable {
        std::optional<QByteArray> result = hasher.hash(password);
        QMetaObject::invokeMethod(
            this,
            [this, result = std::move(result), done = std::move(done)]() {
                --m_pending;
                done(result);
            },
            Qt::QueuedConnection);
    });
}
