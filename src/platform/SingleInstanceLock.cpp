#include "platform/SingleInstanceLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString runtimeFolder() {
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty())
        return xdg;
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

SingleInstanceLock::SingleInstanceLock(const QString &name, const QString &folder)
    : m_path(QDir(folder.isEmpty() ? runtimeFolder() : folder).filePath(name + QStringLiteral(".lock"))) {}

SingleInstanceLock::~SingleInstanceLock() {
    release();
}

bool SingleInstanceLock::tryAcquire() {
    if (m_state == State::Held)
        return true;
    m_error.clear();

    if (m_fd < 0) {
        const QString folder = QFileInfo(m_path).absolutePath();
        if (!QDir().mkpath(folder)) {
            m_state = State::Failed;
            m_error = QStringLiteral("Cannot create the folder %1").arg(folder);
            return false;
        }
        const QByteArray encoded = QFile::encodeName(m_path);
        // O_CLOEXEC: games started by the launcher must not inherit the lock and keep it alive.
        do {
            m_fd = ::open(encoded.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
        } while (m_fd < 0 && errno == EINTR);
        if (m_fd < 0) {
            const int error = errno;
            m_state = State::Failed;
            m_error = QStringLiteral("Cannot open the lock file %1: %2").arg(m_path, systemError(error));
            return false;
        }
    }

    int result;
    do {
        result = ::flock(m_fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        m_state = State::Held;
        return true;
    }
    const int error = errno;
    if (error == EWOULDBLOCK) {
        m_state = State::TakenByOther;
    } else {
        m_state = State::Failed;
        m_error = QStringLiteral("Cannot lock %1: %2").arg(m_path, systemError(error));
    }
    return false;
}

void SingleInstanceLock::release() {
    // The file stays: removing it would let two processes that opened it at different times lock
    // two different files of the same name.
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_state = State::NotTried;
}
