// The download's behaviour over time, against the reference service's nginx on loopback:
//
// - resume: a file of 1 GiB (or the MiB given) of patterned bytes with its published digest; at
//   about half way the service is stopped and started again on the same port. The file must
//   complete and verify; printed: the time, the resume lines, the resumed request from nginx's log
//   and the bytes that arrived twice.
// - speed limit: 200 MiB at 20 MiB/s; printed: the average against the limit.
//
//   ResumeBench [MiB]
#include "BenchProbes.h"
#include "RunningService.h"
#include "net/DownloadClient.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>

namespace {

constexpr qint64 kMiB = 1024 * 1024;
constexpr qint64 kLimitedBytes = 200 * kMiB;
constexpr qint64 kLimit = 20 * kMiB;

int fail(const QString &what) {
    std::fprintf(stderr, "ResumeBench: %s\n", qPrintable(what));
    return 1;
}

// Every 8 bytes their own offset: a byte written at the wrong place changes the digest.
bool writePatterned(const QString &path, qint64 bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(int(kMiB), Qt::Uninitialized);
    for (qint64 offset = 0; offset < bytes; offset += kMiB) {
        for (qint64 i = 0; i < kMiB; i += 8) {
            const qint64 value = offset + i;
            std::memcpy(block.data() + i, &value, sizeof value);
        }
        if (file.write(block.constData(), std::min(kMiB, bytes - offset)) <= 0)
            return false;
    }
    return true;
}

QByteArray sha256Of(const QString &path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result().toHex() : QByteArray();
}

// One download with the read-out's counts: every byte counted, a fall back to zero included.
struct Run {
    DownloadOutcome outcome;
    double seconds = 0;
    qint64 counted = 0;
    int previous = 0;
    QStringList notices;
    std::function<void(int read)> onRead;
};

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const qint64 mebibytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
    if (mebibytes <= 0 || mebibytes >= 2048)
        return fail(QStringLiteral("the size must be 1..2047 MiB"));
    const qint64 bytes = mebibytes * kMiB;

    RunningService service;
    if (const QString error = service.init(); !error.isEmpty())
        return fail(error);
    const QDir www(QDir(service.dataDir()).filePath(QStringLiteral("www/download")));
    if (!writePatterned(www.filePath(QStringLiteral("Resume.bin")), bytes) ||
        !writePatterned(www.filePath(QStringLiteral("Limited.bin")), kLimitedBytes))
        return fail(QStringLiteral("cannot write the served files"));
    const RunningService::Outcome digest =
        RunningService::run({QStringLiteral("digest"), QStringLiteral("--data"), service.dataDir()});
    if (digest.exitCode != 0)
        return fail(digest.describe());
    if (const QString error = service.start(); !error.isEmpty())
        return fail(error);
    QTemporaryDir folder;
    std::printf("load average       %s\n", loadAverage().constData());

    Run *current = nullptr;
    QEventLoop loop;
    DownloadClient client(
        [&](int read, int, bool &) {
            current->counted += read >= current->previous ? read - current->previous : read;
            current->previous = read;
            if (current->onRead)
                current->onRead(read);
        },
        [&](const DownloadOutcome &outcome) {
            current->outcome = outcome;
            loop.quit();
        });
    client.setNoticeHandler([&](const QString &line) { current->notices.append(line); });
    const QByteArray base = "https://localhost:" + QByteArray::number(service.port()) + "/download/";
    auto download = [&](Run &run, const QByteArray &file) {
        current = &run;
        QElapsedTimer clock;
        clock.start();
        if (!client.StartDownload({file, base, folder.path().toUtf8(), file, DownloadPurpose::GameInstall, 0})
                 .Started)
            return false;
        loop.exec();
        run.seconds = double(clock.nsecsElapsed()) / 1e9;
        return run.outcome.Result == DownloadOutcome::Kind::Completed;
    };

    // Resume: stopped at half way, started again 300 ms later on the same port.
    QProcess again;
    Run resumed;
    qint64 stoppedAt = 0;
    resumed.onRead = [&](int read) {
        if (stoppedAt == 0 && read >= bytes / 2) {
            stoppedAt = read;
            service.stop();
            QTimer::singleShot(300, [&] {
                again.start(RunningService::program(),
                            {QStringLiteral("serve"), QStringLiteral("--data"), service.dataDir(),
                             QStringLiteral("--port"), QString::number(service.port())});
            });
        }
    };
    const bool complete = download(resumed, "Resume.bin");
    const QString target = folder.filePath(QStringLiteral("Resume.bin"));
    const bool verified =
        complete && sha256Of(target) == sha256Of(www.filePath(QStringLiteral("Resume.bin")));
    QFile log(QDir(service.dataDir()).filePath(QStringLiteral("nginx/logs/access.log")));
    QByteArray partial;
    if (log.open(QIODevice::ReadOnly))
        for (const QByteArray &line : log.readAll().split('\n'))
            if (line.contains("/download/Resume.bin ") && line.contains("\" 206 "))
                partial = line;
    static const QRegularExpression sent(QStringLiteral("\" 206 (\\d+) "));
    const qint64 restBytes = sent.match(QString::fromLatin1(partial)).captured(1).toLongLong();
    std::printf("resume             %s in %.2f s, stopped at %lld bytes (%.1f %%)\n",
                complete ? (verified ? "complete, digest matches" : "complete, DIGEST DIFFERS")
                         : qPrintable(resumed.outcome.Message),
                resumed.seconds, stoppedAt, 100.0 * double(stoppedAt) / double(bytes));
    for (const QString &line : std::as_const(resumed.notices))
        std::printf("                   chat: %s\n", qPrintable(line));
    std::printf("                   resumed request (nginx): 206 with %lld bytes; bytes counted by the "
                "read-out %lld of %lld: %lld twice (%.3f %%)\n",
                restBytes, resumed.counted, bytes, resumed.counted - bytes,
                100.0 * double(resumed.counted - bytes) / double(bytes));
    QFile::remove(target);
    again.terminate();
    again.waitForFinished(10000);
    if (const QString error = service.start(); !error.isEmpty())
        return fail(error);

    // The speed limit.
    const QByteArray limitedBase = "https://localhost:" + QByteArray::number(service.port()) + "/download/";
    Run limited;
    client.setSpeedLimit(kLimit);
    current = &limited;
    QElapsedTimer clock;
    clock.start();
    if (!client
             .StartDownload({"Limited.bin", limitedBase, folder.path().toUtf8(), "Limited.bin",
                             DownloadPurpose::GameInstall, 0})
             .Started)
        return fail(QStringLiteral("the limited download did not start"));
    loop.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const double average = double(kLimitedBytes) / seconds;
    std::printf(
        "speed limit        %lld MiB at %lld MiB/s: %.2f s, average %.2f MiB/s (%.1f %% of the limit)%s\n",
        kLimitedBytes / kMiB, kLimit / kMiB, seconds, average / double(kMiB),
        100.0 * average / double(kLimit),
        limited.outcome.Result == DownloadOutcome::Kind::Completed ? "" : " NOT COMPLETE");
    std::printf("load average       %s\n", loadAverage().constData());
    return verified ? 0 : 1;
}
