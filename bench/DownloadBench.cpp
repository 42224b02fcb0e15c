// Download throughput and memory of the launcher's download client: a file of 1 GiB (or the MiB
// given as the first argument) from the reference service's nginx over HTTPS on loopback, written
// to a temporary folder. Prints MB/s and the peak resident set; the file must stream to disk, so the
// peak stays far below the file's size.
//
//   DownloadBench [MiB [FOLDER]]    FOLDER: where the file goes (a temporary folder below it)
#include "RunningService.h"
#include "net/DownloadClient.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// A field of /proc/self/status in KiB (VmRSS, VmHWM).
qint64 statusKiB(const QByteArray &field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

int fail(const QString &what) {
    std::fprintf(stderr, "DownloadBench: %s\n", qPrintable(what));
    return 1;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const qint64 mebibytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
    if (mebibytes <= 0 || mebibytes >= 2048)
        return fail(QStringLiteral("the size must be 1..2047 MiB (the read-out counts in 32 bits)"));
    const qint64 bytes = mebibytes * 1024 * 1024;

    RunningService service;
    if (const QString error = service.init(); !error.isEmpty())
        return fail(error);
    // Sparse: nginx reads it from the page cache, so the figure is the network path and the client.
    QFile served(QDir(service.dataDir()).filePath(QStringLiteral("www/download/Bench.bin")));
    if (!served.open(QIODevice::WriteOnly) || !served.resize(bytes))
        return fail(served.errorString());
    served.close();
    if (const QString error = service.start(); !error.isEmpty())
        return fail(error);

    QTemporaryDir folder(
        argc > 2 ? QDir(QString::fromLocal8Bit(argv[2])).filePath(QStringLiteral("DownloadBench-XXXXXX"))
                 : QDir::tempPath() + QStringLiteral("/DownloadBench-XXXXXX"));
    if (!folder.isValid())
        return fail(QStringLiteral("no temporary folder"));

    QEventLoop loop;
    qint64 blocks = 0;
    qint64 peakRssKiB = 0;
    DownloadOutcome result;
    DownloadClient client(
        [&](int, int, bool &) {
            // A sample per 256 blocks keeps /proc reads out of the figure.
            if (++blocks % 256 == 0)
                peakRssKiB = std::max(peakRssKiB, statusKiB("VmRSS"));
        },
        [&](const DownloadOutcome &outcome) {
            result = outcome;
            loop.quit();
        });

    const qint64 rssBeforeKiB = statusKiB("VmRSS");
    QElapsedTimer clock;
    clock.start();
    const DownloadStart start = client.StartDownload(
        {"Bench.bin", "https://localhost:" + QByteArray::number(service.port()) + "/download/",
         folder.path().toUtf8(), "Bench", DownloadPurpose::GameInstall, 0});
    const qint64 sizeRequestMs = clock.elapsed();
    if (!start.Started)
        return fail(start.Message);
    loop.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;

    const qint64 written = QFileInfo(folder.filePath(QStringLiteral("Bench.bin"))).size();
    if (result.Result != DownloadOutcome::Kind::Completed || written != bytes)
        return fail(QStringLiteral("the download did not complete: %1 (%2 of %3 bytes)")
                        .arg(result.Message)
                        .arg(written)
                        .arg(bytes));
    peakRssKiB = std::max(peakRssKiB, statusKiB("VmRSS"));

    std::printf("file               %lld MiB over HTTPS from nginx on loopback into %s\n", mebibytes,
                qPrintable(folder.path()));
    std::printf("size request       %lld ms (blocking)\n", sizeRequestMs);
    std::printf("transfer           %.2f s, %.1f MB/s (%.1f MiB/s)\n", seconds, double(bytes) / 1e6 / seconds,
                double(bytes) / 1048576.0 / seconds);
    std::printf("progress hand-overs %lld (%.1f KiB per block)\n", blocks,
                double(bytes) / 1024.0 / double(blocks));
    std::printf("RSS                before %lld KiB, peak sampled %lld KiB, high-water mark %lld KiB\n",
                rssBeforeKiB, peakRssKiB, statusKiB("VmHWM"));
    return 0;
}
