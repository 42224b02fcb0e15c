#pragma once

#include "lib/PasswordHasher.h"

#include <QObject>
#include <QThreadPool>
#include <functional>
#include <optional>

// Runs argon2id hashes on a pool of worker threads and hands each result back on this object's thread,
// so that the event loop serving checks and chat polls never waits for a hash.
class HashWorker : public QObject {
    Q_OBJECT
public:
    HashWorker(const PasswordHasher &hasher, int threads, int maxPending, QObject *parent = nullptr);
    ~HashWorker() override;

    // False when too many hashes are running or queued; nothing is started then.
    bool canTakeMore() const { return m_pending < m_maxPending; }
    int pending() const { return m_pending; }

    // An empty storedHash verifies against a dummy hash and fails, taking the same time.
    void verify(const QByteArray &storedHash, const QByteArray &password, std::function<void(bool)> done);
    void hash(const QByteArray &password, std::function<void(std::optional<QByteArray>)> done);

private:
    PasswordHasher m_hasher;
    QThreadPool m_pool;
    int m_maxPending;
    int m_pending = 0;
};
