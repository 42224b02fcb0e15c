#pragma once

#include <QString>

// One running launcher per user: an exclusive flock on "<runtime folder>/<name>.lock". The kernel
// drops the lock when the holder ends in any way, so a crash never leaves a stale lock behind.
class SingleInstanceLock {
public:
    enum class State {
        NotTried,
        Held,         // this object holds the lock
        TakenByOther, // another process (or another lock object) holds it
        Failed,       // the lock file could not be opened; see errorString()
    };

    // An empty folder means $XDG_RUNTIME_DIR, else Qt's runtime location.
    explicit SingleInstanceLock(const QString &name = QStringLiteral("Quillbarrow-App"),
                                const QString &folder = {});
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock &) = delete;
    SingleInstanceLock &operator=(const SingleInstanceLock &) = delete;

    // Does not wait. True when this object holds the lock afterwards.
    bool tryAcquire();
    void release();

    [[nodiscard]] State state() const { return m_state; }
    [[nodiscard]] QString lockFilePath() const { return m_path; }
    [[nodiscard]] QString errorString() const { return m_error; }

private:
    QString m_path;
    QString m_error;
    State m_state = State::NotTried;
    int m_fd = -1;
};
