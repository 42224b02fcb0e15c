#include "platform/SupervisedChild.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

void makeSupervisedChild(QProcess &process) {
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] {
        // Runs in the child between fork and exec: async-signal-safe calls only.
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        // The parent may have died before prctl took effect.
        if (::getppid() != parent)
            ::_exit(127);
    });
}

void endProcessGroup(qint64 groupId, int graceMs) {
    // Never signal our own group, nor "every process" (-1) or "our group" (0).
    if (groupId <= 1 || groupId == ::getpgrp())
        return;
    const auto group = static_cast<pid_t>(groupId);
    if (::kill(-group, SIGTERM) != 0)
        return; // ESRCH: nobody left
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < graceMs) {
        // Members that have exited but are not reaped yet still count; their parent reaps them.
        if (::kill(-group, 0) != 0 && errno == ESRCH)
            return;
        QThread::msleep(20);
    }
    ::kill(-group, SIGKILL);
}
