#include "platform/StopSignalWatcher.h"

#include <QSocketNotifier>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The self-pipe: the handler may only call async-signal-safe functions, so it writes the signal
// number and the event loop reads it.
std::array<int, 2> g_pipe = {-1, -1};
std::atomic<bool> g_inUse = false;
constexpr std::array<int, 2> kSignals = {SIGINT, SIGTERM};

extern "C" void onStopSignal(int signalNumber) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

StopSignalWatcher::StopSignalWatcher(QObject *parent)
    : QObject(parent) {
    if (g_inUse.exchange(true)) {
        m_error = QStringLiteral("another stop signal watcher is active");
        return;
    }
    if (::pipe2(g_pipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        m_error =
            QStringLiteral("cannot create a pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        g_inUse = false;
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &StopSignalWatcher::drain);

    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : kSignals)
        ::sigaction(signalNumber, &action, nullptr);
    m_active = true;
}

StopSignalWatcher::~StopSignalWatcher() {
    if (!m_active)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : kSignals)
        ::sigaction(signalNumber, &action, nullptr);
    m_notifier.reset();
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe = {-1, -1};
    g_inUse = false;
}

void StopSignalWatcher::drain() {
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1)
        Q_EMIT stopRequested(byte);
}
