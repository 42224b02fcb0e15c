// Download throughput and memory of the launcher's download client: a file of 1 GiB (or the MiB
// given as the first argument) from the reference service's nginx over HTTPS on loopback, written
// to a temporary folder. Prints MB/s and the peak resident set; the file must stream to disk, so the
// peak stays far below the file's size. curl fetches the same file into the same folder in turns
// with the client, so the ratio of the two is taken under the same conditions. Each round fetches the
// file twice with the client: once as a file without a published digest, once as one whose SHA-256
// the service publishes (the client then hashes while it downloads and checks at the end).
//
//   DownloadBench [MiB [FOLDER]]    FOLDER: where the file goes (a temporary folder below it)
#include "BenchProbes.h"
#include "RunningService.h"
#include "TimedDownload.h"
#include "platform/HeapTuning.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRounds = 5;

int fail(const QString &what) {
    std::fprintf(stderr, "DownloadBench: %s\n", qPrintable(what));
    return 1;
}

} // namespace

int main(int argc, char **argv) {
    // As the launcher does at its start.
    tuneHeapForStreaming();
    QCoreApplication app(argc, argv);
    const qint64 mebibytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
    if (mebibytes <= 0 || mebibytes >= 2048)
        return fail(QStringLiteral("the size must be 1..2047 MiB (the read-out counts in 32 bits)"));
    const qint64 bytes = mebibytes * 1024 * 1024;

    RunningService service;
    if (const QString error = service.init(); !error.isEmpty())
        return fail(error);
    // Sparse: nginx reads it from the page cache, so the figure is the network path and the client.
    for (const char *name : {"Bench.bin", "Digest.bin"}) {
        QFile served(QDir(service.dataDir()).filePath(QStringLiteral("www/download/") + QLatin1String(name)));
        if (!served.open(QIODevice::WriteOnly) || !served.resize(bytes))
            return fail(served.errorString());
    }
    // The operator's command publishes the digests; Bench.bin then goes without one.
    const RunningService::Outcome digest =
        RunningService::run({QStringLiteral("digest"), QStringLiteral("--data"), service.dataDir()});
    if (digest.exitCode != 0)
        return fail(digest.describe());
    QFile::remove(QDir(service.dataDir()).filePath(QStringLiteral("www/download/Bench.bin.sha256")));
    if (const QString error = service.start(); !error.isEmpty())
        return fail(error);

    QTemporaryDir folder(
        argc > 2 ? QDir(QString::fromLocal8Bit(argv[2])).filePath(QStringLiteral("DownloadBench-XXXXXX"))
                 : QDir::tempPath() + QStringLiteral("/DownloadBench-XXXXXX"));
    if (!folder.isValid())
        return fail(QStringLiteral("no temporary folder"));

    const QByteArray base = "https://localhost:" + QByteArray::number(service.port()) + "/download/";
    const QString target = folder.filePath(QStringLiteral("Bench.bin"));
    std::printf("file               %lld MiB over HTTPS from nginx on loopback into %s\n", mebibytes,
                qPrintable(folder.path()));
    std::printf("load average       %s\n", loadAverage().constData());

    // One fetch first, not counted: the first read of the served file and the first writes of the
    // target's size cost more than the rest.
    if (curlSeconds(QString::fromUtf8(base + "Bench.bin"), RunningService::caCertificatePath(), target) < 0)
        return fail(QStringLiteral("curl did not fetch the file"));
    QFile::remove(target);

    const qint64 rssBeforeKiB = processStatusKiB("VmRSS");
    qint64 peakRssKiB = 0;
    std::vector<double> ratios;
    std::vector<double> digestRatios;
    qint64 blocks = 0;
    for (int round = 1; round <= kRounds; ++round) {
        settleDisk();
        const TimedDownload timed = timeDownload(base, "Bench.bin", folder.path(), bytes, [&] {
            // A sample per 256 blocks keeps /proc reads out of the figure.
            if (++blocks % 256 == 0)
                peakRssKiB = std::max(peakRssKiB, processStatusKiB("VmRSS"));
        });
        if (timed.seconds < 0)
            return fail(timed.error);
        peakRssKiB = std::max(peakRssKiB, processStatusKiB("VmRSS"));
        const double client = timed.seconds;
        QFile::remove(target);
        settleDisk();
        const TimedDownload checked = timeDownload(base, "Digest.bin", folder.path(), bytes, [&] {
            if (++blocks % 256 == 0)
                peakRssKiB = std::max(peakRssKiB, processStatusKiB("VmRSS"));
        });
        if (checked.seconds < 0)
            return fail(checked.error);
        QFile::remove(folder.filePath(QStringLiteral("Digest.bin")));
        settleDisk();
        const double curl =
            curlSeconds(QString::fromUtf8(base + "Bench.bin"), RunningService::caCertificatePath(), target);
        if (curl < 0 || QFileInfo(target).size() != bytes)
            return fail(QStringLiteral("curl did not fetch the file"));
        QFile::remove(target);
        ratios.push_back(curl / client);
        digestRatios.push_back(curl / checked.seconds);
        std::printf("round %d            client %.2f s %.1f MB/s (size request %lld ms, %lld hand-overs of "
                    "%.1f KiB), curl %.2f s %.1f MB/s, client/curl %.2f\n",
                    round, client, double(bytes) / 1e6 / client, timed.sizeRequestMs, timed.blocks,
                    double(bytes) / 1024.0 / double(std::max<qint64>(timed.blocks, 1)), curl,
                    double(bytes) / 1e6 / curl, curl / client);
        std::printf("                   with the digest checked %.2f s %.1f MB/s, client/curl %.2f\n",
                    checked.seconds, double(bytes) / 1e6 / checked.seconds, curl / checked.seconds);
    }
    for (const auto &[label, list] :
         {std::pair{"client/curl       ", &ratios}, std::pair{"with digest/curl  ", &digestRatios}}) {
        std::sort(list->begin(), list->end());
        std::printf("%s  median %.2f (min %.2f, max %.2f)\n", label, (*list)[list->size() / 2], list->front(),
                    list->back());
    }
    std::printf("RSS                before %lld KiB, peak sampled %lld KiB, high-water mark %lld KiB\n",
                rssBeforeKiB, peakRssKiB, processStatusKiB("VmHWM"));
    return 0;
}
