#pragma once

#include <QByteArray>
#include <QString>

// What the benchmarks read off the machine and the tools they compare with.

// A line of /proc/self/status in KiB (VmRSS now, VmHWM the peak of this program image); -1 if unread.
qint64 processStatusKiB(const QByteArray &field);
// /proc/loadavg as it stands.
QByteArray loadAverage();
// Dirty pages written out, so that the next writer does not pay for the last one's writeback.
void settleDisk();
// Seconds for curl to fetch url into path trusting caPath, or -1.
double curlSeconds(const QString &url, const QString &caPath, const QString &path);
