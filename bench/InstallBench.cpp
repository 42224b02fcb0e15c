// The launcher's main job side by side with the standard tools, in one run against the reference
// service's nginx over HTTPS on loopback:
//   1. a 1 GiB download: the launcher's download client against curl (same URL, same CA);
//   2. the extraction of a game-like archive (about 600 MB): the launcher's extractor against unzip;
//   3. the same archive installed through the real window (BtnInstallClick, the engine tick running
//      on its 15 ms timer): the longest gap between engine ticks while downloading and while
//      extracting. The clean-up's fixed pause and the blocking size request are not counted.
//
//   InstallBench [--quick] [WORK_FOLDER]    the files go into a temporary folder below it (default:
//                                           /tmp); --quick: everything 16 times smaller
#include "BenchProbes.h"
#include "GameArchive.h"
#include "RunningService.h"
#include "TimedDownload.h"
#include "gui/app/MainForm.h"
#include "platform/HeapTuning.h"
#include "platform/ZipExtractor.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdio>

namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr int Hexbound = 4;
constexpr int Rounds = 2;

int fail(const QString &what) {
    std::fprintf(stderr, "InstallBench: %s\n", qPrintable(what));
    return 1;
}

double mbps(qint64 bytes, double seconds) {
    return double(bytes) / 1e6 / seconds;
}

double unzipOnce(const QString &archive, const QString &target) {
    QElapsedTimer clock;
    clock.start();
    const int rc = QProcess::execute(QStringLiteral("unzip"),
                                     {QStringLiteral("-qo"), archive, QStringLiteral("-d"), target});
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    return rc == 0 ? seconds : -1;
}

double extractorOnce(const QString &archive, const QString &target) {
    QElapsedTimer clock;
    clock.start();
    const ZipExtractResult result =
        ZipExtractor::extract(archive, target, [](const QByteArray &, quint32, quint32, qint64) {});
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    return result.ok ? seconds : -1;
}

// What the window's install path shows of its engine tick.
struct TickWatch {
    enum Phase { Download, Extraction, CleanUp, Other, PhaseCount };
    std::array<qint64, PhaseCount> longestGapNs{};
    std::array<int, PhaseCount> ticks{};
    qint64 lastNs = 0;
    double lastValue = 0;
    qint64 downloadEndNs = -1;
    qint64 extractionStartNs = -1;
    qint64 extractionEndNs = -1;
};

} // namespace

int main(int argc, char **argv) {
    // As the launcher does at its start.
    tuneHeapForStreaming();
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    const bool quick = args.removeAll(QStringLiteral("--quick")) > 0;
    const int divisor = quick ? 16 : 1;
    QTemporaryDir work((args.isEmpty() ? QDir::tempPath() : args.first()) +
                       QStringLiteral("/InstallBench-XXXXXX"));
    if (!work.isValid())
        return fail(QStringLiteral("no temporary folder"));
    if (QStandardPaths::findExecutable(QStringLiteral("curl")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
        return fail(QStringLiteral("curl and unzip are needed for the comparison"));
    std::printf("load average at start: %s\n", loadAverage().constData());

    QElapsedTimer clock;
    clock.start();
    const GameArchive archive = buildGameArchive(work.path(), divisor);
    if (archive.path.isEmpty())
        return fail(QStringLiteral("cannot build the archive"));
    std::printf("archive            %d files, %.1f MiB unpacked, %.1f MiB packed (built in %.1f s)\n",
                archive.files, double(archive.unpackedBytes) / MiB, double(archive.packedBytes) / MiB,
                double(clock.elapsed()) / 1000);

    RunningService service;
    if (const QString error = service.init(); !error.isEmpty())
        return fail(error);
    const QString www = QDir(service.dataDir()).filePath(QStringLiteral("www/download"));
    const qint64 big = 1024 * MiB / divisor;
    {
        // Sparse: nginx reads it from the page cache, so the figures are the network path and the client.
        QFile served(QDir(www).filePath(QStringLiteral("Bench.bin")));
        if (!served.open(QIODevice::WriteOnly) || !served.resize(big))
            return fail(served.errorString());
    }
    const QString servedArchive = QDir(www).filePath(QStringLiteral("Hexbound.zip"));
    QFile::remove(servedArchive);
    if (!QFile::copy(archive.path, servedArchive))
        return fail(QStringLiteral("cannot serve the archive"));
    // The game archive changed: its published digest follows, as an operator's would.
    const RunningService::Outcome digest =
        RunningService::run({QStringLiteral("digest"), QStringLiteral("--data"), service.dataDir()});
    if (digest.exitCode != 0)
        return fail(digest.describe());
    if (const QString error = service.start(); !error.isEmpty())
        return fail(error);
    const QByteArray base = "https://localhost:" + QByteArray::number(service.port()) + "/download/";

    // 1. Download, alternating so that both see the same machine.
    const QString downloads = QDir(work.path()).filePath(QStringLiteral("downloads"));
    QDir().mkpath(downloads);
    double bestCurl = 1e9, bestClient = 1e9;
    for (int round = 0; round < Rounds; ++round) {
        const QString target = QDir(downloads).filePath(QStringLiteral("Bench.bin"));
        settleDisk();
        const double curl =
            curlSeconds(QString::fromUtf8(base + "Bench.bin"), RunningService::caCertificatePath(), target);
        QFile::remove(target);
        settleDisk();
        const double client = timeDownload(base, "Bench.bin", downloads, big).seconds;
        QFile::remove(target);
        if (curl < 0 || client < 0)
            return fail(QStringLiteral("a download failed (curl %1 s, client %2 s)").arg(curl).arg(client));
        std::printf("download round %d  curl %.1f MB/s, launcher client %.1f MB/s\n", round + 1,
                    mbps(big, curl), mbps(big, client));
        bestCurl = std::min(bestCurl, curl);
        bestClient = std::min(bestClient, client);
    }
    std::printf("download %lld MiB   best: curl %.1f MB/s, launcher %.1f MB/s, launcher/curl = %.2f\n",
                static_cast<long long>(big / MiB), mbps(big, bestCurl), mbps(big, bestClient),
                bestCurl / bestClient);

    // 2. Extraction into an empty folder each time.
    const QString unpack = QDir(work.path()).filePath(QStringLiteral("unpack"));
    double bestUnzip = 1e9, bestExtractor = 1e9;
    for (int round = 0; round < Rounds; ++round) {
        QDir(unpack).removeRecursively();
        const double unzip = unzipOnce(archive.path, unpack);
        QDir(unpack).removeRecursively();
        const double extractor = extractorOnce(archive.path, unpack);
        QDir(unpack).removeRecursively();
        if (unzip < 0 || extractor < 0)
            return fail(
                QStringLiteral("an extraction failed (unzip %1 s, launcher %2 s)").arg(unzip).arg(extractor));
        std::printf("extraction round %d  unzip %.1f MB/s, launcher extractor %.1f MB/s\n", round + 1,
                    mbps(archive.unpackedBytes, unzip), mbps(archive.unpackedBytes, extractor));
        bestUnzip = std::min(bestUnzip, unzip);
        bestExtractor = std::min(bestExtractor, extractor);
    }
    std::printf("extraction         best: unzip %.2f s, launcher %.2f s, launcher/unzip = %.2f\n", bestUnzip,
                bestExtractor, bestUnzip / bestExtractor);

    // 3. The window's install path with its engine tick on the real clock.
    const QString folder = QDir(work.path()).filePath(QStringLiteral("launcher"));
    QDir().mkpath(folder);
    if (!QFile::copy(QStringLiteral(PICTURE_BUNDLE),
                     QDir(folder).filePath(QStringLiteral("Quillbarrow01.dll"))) ||
        !QFile::copy(QStringLiteral(SOUND_BUNDLE),
                     QDir(folder).filePath(QStringLiteral("Quillbarrow02.dll"))))
        return fail(QStringLiteral("the bundles could not be copied"));
    MainFormDependencies d = MainFormDependencies::standard(folder);
    d.serviceBaseUrl = QStringLiteral("https://localhost:%1").arg(service.port());
    d.messageBox = [](QWidget *, QMessageBox::Icon, const QString &, const QString &text,
                      QMessageBox::StandardButtons) {
        std::fprintf(stderr, "message box: %s\n", qPrintable(text));
        return QMessageBox::Ok;
    };
    d.terminate = [](int) {};
    TMainForm form(std::move(d));
    if (const std::optional<QString> error = form.FormCreate())
        return fail(*error);

    QEventLoop loop;
    TickWatch watch;
    QElapsedTimer since;
    bool started = false;
    QObject::connect(form.EngineTimer, &QTimer::timeout, &form, [&] {
        if (!started)
            return;
        const qint64 now = since.nsecsElapsed();
        TickWatch::Phase phase = TickWatch::Other;
        if (form.PendingJob == 0 && !form.DownloadIdle)
            phase = TickWatch::Download;
        else if (form.PendingJob == 1 && form.JobStep <= 3)
            phase = TickWatch::Extraction;
        else if (form.PendingJob == 1 && form.JobStep == 4)
            phase = TickWatch::CleanUp;
        watch.longestGapNs[phase] = std::max(watch.longestGapNs[phase], now - watch.lastNs);
        // Where a long gap fell: the bar's value before and after it tells the step.
        if ((phase == TickWatch::Extraction || phase == TickWatch::Download) && now - watch.lastNs > 50000000)
            std::printf("  gap of %.1f ms in the %s: bar %.0f -> %.0f of %.0f, step %d\n",
                        double(now - watch.lastNs) / 1e6,
                        phase == TickWatch::Download ? "download" : "extraction", watch.lastValue,
                        form.ProgressValue, form.ProgressMax, int(form.JobStep));
        watch.lastValue = form.ProgressValue;
        ++watch.ticks[phase];
        watch.lastNs = now;
        if (form.PendingJob == 1 && watch.downloadEndNs < 0)
            watch.downloadEndNs = now;
        if (form.PendingJob == 1 && form.JobStep == 2 && watch.extractionStartNs < 0)
            watch.extractionStartNs = now;
        if (form.PendingJob == 1 && form.JobStep >= 3 && watch.extractionEndNs < 0)
            watch.extractionEndNs = now;
        if (form.PendingJob == 0 && !form.JobBusy)
            loop.quit();
    });

    form.LoggedIn = true;
    form.SelectedGame = Hexbound;
    form.RefreshGameStates();
    form.BtnInstallClick();
    // Only the click needed the login; the session's own traffic is not part of this.
    form.LoggedIn = false;
    if (form.DownloadIdle)
        return fail(QStringLiteral("the window did not start the download"));
    since.start();
    started = true;
    QTimer::singleShot(600000, &loop, [&] { loop.exit(1); });
    if (loop.exec() != 0)
        return fail(QStringLiteral("the installation did not end within 10 minutes"));

    const QString installed = QDir(folder).filePath(QStringLiteral("Games/Hexbound/Paks/pak0.bin"));
    if (QFileInfo(installed).size() != 32 * MiB / divisor)
        return fail(QStringLiteral("the window did not install the archive"));
    const auto ms = [](qint64 ns) { return double(ns) / 1e6; };
    std::printf("window install     download %.1f s (%.1f MB/s), extraction about %.2f s\n",
                ms(watch.downloadEndNs) / 1000, mbps(archive.packedBytes, ms(watch.downloadEndNs) / 1000),
                ms(watch.extractionEndNs - watch.extractionStartNs) / 1000);
    std::printf(
        "engine tick gaps   download: longest %.1f ms over %d ticks; extraction: longest %.1f ms over "
        "%d ticks\n",
        ms(watch.longestGapNs[TickWatch::Download]), watch.ticks[TickWatch::Download],
        ms(watch.longestGapNs[TickWatch::Extraction]), watch.ticks[TickWatch::Extraction]);
    std::printf("                   (not counted: clean-up with its fixed pause, longest %.1f ms)\n",
                ms(watch.longestGapNs[TickWatch::CleanUp]));
    std::printf("load average at end: %s\n", loadAverage().constData());
    return 0;
}
