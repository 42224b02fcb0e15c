#include "platform/SigPipeBlock.h"

#include <cerrno>
#include <ctime>
#include <pthread.h>

namespace {

sigset_t sigPipeOnly() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    return set;
}

bool sigPipePending() {
    sigset_t pending;
    sigemptyset(&pending);
    return sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
}

} // namespace

SigPipeBlock::SigPipeBlock() {
    const sigset_t set = sigPipeOnly();
    pthread_sigmask(SIG_BLOCK, &set, &m_previousMask);
    m_wasPending = sigPipePending();
}

SigPipeBlock::~SigPipeBlock() {
    // Only a SIGPIPE of our own making is taken away; one that was already waiting stays.
    if (!m_wasPending && sigPipePending()) {
        const sigset_t set = sigPipeOnly();
        const timespec noWait{};
        while (sigtimedwait(&set, nullptr, &noWait) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &m_previousMask, nullptr);
}
