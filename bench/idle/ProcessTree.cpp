#include "ProcessTree.h"

#include <QDir>
#include <QFile>
#include <unistd.h>

namespace {

struct Stat {
    qint64 parent = 0;
    ProcessTree::Process process;
};

// Fields of /proc/PID/stat after the name, which may hold spaces and is closed by the last ')'.
bool readStat(qint64 pid, Stat &out) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = file.readAll();
    const qsizetype open = line.indexOf('(');
    const qsizetype close = line.lastIndexOf(')');
    if (open < 0 || close < open)
        return false;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    // state ppid pgrp session tty tpgid flags minflt cminflt majflt cmajflt utime stime
    if (fields.size() < 13)
        return false;
    out.parent = fields[1].toLongLong();
    out.process.name = line.mid(open + 1, close - open - 1);
    out.process.cpuTicks = fields[11].toLongLong() + fields[12].toLongLong();
    return true;
}

} // namespace

QMap<qint64, ProcessTree::Process> ProcessTree::sample(qint64 root) {
    QMap<qint64, Stat> all;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        Stat stat;
        if (number && readStat(pid, stat))
            all.insert(pid, stat);
    }
    QMap<qint64, Process> tree;
    QList<qint64> pending{root};
    while (!pending.isEmpty()) {
        const qint64 pid = pending.takeFirst();
        if (!all.contains(pid))
            continue;
        tree.insert(pid, all[pid].process);
        for (auto it = all.cbegin(); it != all.cend(); ++it)
            if (it->parent == pid)
                pending.append(it.key());
    }
    return tree;
}

qint64 ProcessTree::pssKiB(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').first().toLongLong();
    return 0;
}

double ProcessTree::ticksPerSecond() {
    return double(sysconf(_SC_CLK_TCK));
}

QList<ProcessTree::Share> ProcessTree::shares(const QMap<qint64, Process> &before,
                                              const QMap<qint64, Process> &after, double wallSeconds) {
    QList<Share> out;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (!before.contains(it.key()))
            continue;
        const double percent =
            100.0 * double(it->cpuTicks - before[it.key()].cpuTicks) / ticksPerSecond() / wallSeconds;
        auto same = std::find_if(out.begin(), out.end(), [&](const Share &s) { return s.name == it->name; });
        if (same == out.end())
            out.append(Share{it->name, 1, percent});
        else {
            ++same->processes;
            same->percent += percent;
        }
    }
    return out;
}
