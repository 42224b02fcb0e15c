#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>

// A process and everything it started, read off /proc: CPU time per process and proportional memory.
class ProcessTree {
public:
    struct Process {
        QByteArray name;
        qint64 cpuTicks = 0; // user + system, in clock ticks
    };

    // The root and its descendants as they are now.
    [[nodiscard]] static QMap<qint64, Process> sample(qint64 root);
    // Proportional set size in KiB; 0 when the process is gone.
    [[nodiscard]] static qint64 pssKiB(qint64 pid);
    [[nodiscard]] static double ticksPerSecond();

    // CPU % of each process alive at both samples over wallSeconds, summed by process name.
    struct Share {
        QByteArray name;
        int processes = 0;
        double percent = 0;
    };
    [[nodiscard]] static QList<Share> shares(const QMap<qint64, Process> &before,
                                             const QMap<qint64, Process> &after, double wallSeconds);
};
