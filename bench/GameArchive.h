#pragma once

#include <QByteArray>
#include <QString>

// Incompressible data, like packed assets; the same for the same seed.
QByteArray noise(qint64 size, quint32 seed);
// Records that deflate to about a third, like level or entity data.
QByteArray records(qint64 size, quint32 seed);

// A game-like zip archive for the benchmarks, deflated as zip tools do: large incompressible files
// (packed assets), large compressible ones (level data) and thousands of small files (configs),
// about 600 MB unpacked. Written into `work`; the sources are removed again.
struct GameArchive {
    QString path;
    qint64 unpackedBytes = 0;
    qint64 packedBytes = 0;
    int files = 0;
};

// The archive, or an empty path when it could not be built. A divisor above 1 makes every part that
// much smaller (a quick check of the benchmark itself).
GameArchive buildGameArchive(const QString &work, int divisor = 1);
