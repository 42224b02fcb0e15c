// Extraction speed and memory of ZipExtractor on a game-sized archive (about 200 MB unpacked: large
// incompressible and compressible files and many small ones, deflated as zip tools do).
//
//   ZipExtractBench [work folder]
//
// The archive is built first; each extraction then runs in a child process of its own, so that its peak
// resident size is its own and not that of building the archive. The archive is in the page cache, so
// the figures are the cost of inflating and writing, not of reading a cold disk.

#include "BenchProbes.h"
#include "GameArchive.h"
#include "platform/ZipExtractor.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>
#include <zip.h>

namespace {

constexpr qint64 MiB = 1024 * 1024;

// CPU time of this process, user and system: steadier than wall time on a busy machine.
qint64 cpuNs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000000000 +
           (qint64(usage.ru_utime.tv_usec) + usage.ru_stime.tv_usec) * 1000;
}

bool writeFile(const QString &path, const QByteArray &data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// Writes the source files into `sources` and returns their total size, or -1.
qint64 makeSources(const QString &sources) {
    qint64 total = 0;
    const auto put = [&](const QString &name, const QByteArray &data) {
        QDir().mkpath(QFileInfo(sources + u'/' + name).absolutePath());
        total += data.size();
        return writeFile(sources + u'/' + name, data);
    };
    for (int i = 0; i < 6; ++i) {
        if (!put(QStringLiteral("Game/Paks/pak%1.bin").arg(i), noise(16 * MiB, quint32(i))) ||
            !put(QStringLiteral("Game/Data/level%1.dat").arg(i), records(16 * MiB, quint32(100 + i))))
            return -1;
    }
    for (int i = 0; i < 2000; ++i) {
        const QByteArray data = i % 2 ? noise(4096, quint32(1000 + i)) : records(4096, quint32(1000 + i));
        if (!put(QStringLiteral("Game/Small/%1/item%2.cfg").arg(i / 100).arg(i), data))
            return -1;
    }
    return total;
}

bool makeArchive(const QString &sources, const QString &archivePath) {
    int code = 0;
    zip_t *archive = zip_open(QFile::encodeName(archivePath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive)
        return false;
    QStringList names;
    QDir root(sources);
    const QStringList folders{QStringLiteral("Game/Paks"), QStringLiteral("Game/Data"),
                              QStringLiteral("Game/Small")};
    for (const QString &folder : folders) {
        zip_dir_add(archive, QFile::encodeName(folder).constData(), ZIP_FL_ENC_UTF_8);
        for (const QString &sub : QDir(root.filePath(folder)).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QString &name : QDir(root.filePath(folder + u'/' + sub)).entryList(QDir::Files))
                names << folder + u'/' + sub + u'/' + name;
        for (const QString &name : QDir(root.filePath(folder)).entryList(QDir::Files))
            names << folder + u'/' + name;
    }
    for (const QString &name : names) {
        zip_source_t *source =
            zip_source_file(archive, QFile::encodeName(root.filePath(name)).constData(), 0, -1);
        const zip_int64_t index =
            source ? zip_file_add(archive, QFile::encodeName(name).constData(), source, ZIP_FL_ENC_UTF_8)
                   : -1;
        if (index < 0) {
            zip_discard(archive);
            return false;
        }
        zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, 6);
    }
    return zip_close(archive) == 0;
}

// Child: one extraction, one result line.
int extractOnce(const QString &archivePath, const QString &target) {
    const qint64 rssBefore = processStatusKiB("VmRSS");
    qint64 reports = 0;
    QElapsedTimer timer;
    timer.start();
    const qint64 cpuBefore = cpuNs();
    const ZipExtractResult result = ZipExtractor::extract(
        archivePath, target, [&](const QByteArray &, quint32, quint32, qint64) { ++reports; });
    const qint64 cpu = cpuNs() - cpuBefore;
    const qint64 wall = timer.nsecsElapsed();
    if (!result.ok) {
        std::fprintf(stderr, "extraction failed: %s\n", qPrintable(result.error));
        return 1;
    }
    std::printf("%lld %lld %lld %lld %lld %lld %lld %lld\n", static_cast<long long>(wall),
                static_cast<long long>(cpu), static_cast<long long>(result.bytesWritten),
                static_cast<long long>(result.filesWritten), static_cast<long long>(reports),
                static_cast<long long>(rssBefore), static_cast<long long>(processStatusKiB("VmRSS")),
                static_cast<long long>(processStatusKiB("VmHWM")));
    return 0;
}

bool runChild(const QString &archivePath, const QString &target, const char *label) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--extract"), archivePath, target});
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        return false;
    const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
    if (f.size() != 8)
        return false;
    const double wall = f[0].toDouble() / 1e9, cpu = f[1].toDouble() / 1e9;
    const double megabytes = f[2].toDouble() / double(MiB);
    std::printf("%s: %lld files, %lld progress calls\n"
                "    wall %.2f s = %.1f MB/s; CPU %.2f s = %.1f MB/s\n"
                "    RSS %.1f MB before, %.1f MB after, peak %.1f MB\n",
                label, f[3].toLongLong(), f[4].toLongLong(), wall, megabytes / wall, cpu, megabytes / cpu,
                f[5].toDouble() / 1024, f[6].toDouble() / 1024, f[7].toDouble() / 1024);
    return true;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == u"--extract")
        return extractOnce(args[2], args[3]);

    const QString parent = args.size() > 1 ? args[1] : QDir::tempPath();
    QTemporaryDir work(parent + QStringLiteral("/zipbench-XXXXXX"));
    if (!work.isValid()) {
        std::fprintf(stderr, "cannot create a work folder\n");
        return 1;
    }
    const QString archivePath = work.filePath(QStringLiteral("game.zip"));
    QElapsedTimer timer;
    timer.start();
    const qint64 total = makeSources(work.filePath(QStringLiteral("src")));
    if (total < 0 || !makeArchive(work.filePath(QStringLiteral("src")), archivePath)) {
        std::fprintf(stderr, "cannot build the archive\n");
        return 1;
    }
    QDir(work.filePath(QStringLiteral("src"))).removeRecursively();
    std::printf("archive: %.1f MB unpacked, %.1f MB packed, built in %.1f s\n", double(total) / MiB,
                double(QFileInfo(archivePath).size()) / MiB, double(timer.elapsed()) / 1000);

    const QString target = work.filePath(QStringLiteral("Games/Bench"));
    if (!runChild(archivePath, target, "extract into empty folder") ||
        !runChild(archivePath, target, "extract over previous copy")) {
        std::fprintf(stderr, "extraction failed\n");
        return 1;
    }

    const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
    if (!unzip.isEmpty()) {
        QDir(target).removeRecursively();
        timer.restart();
        const int rc =
            QProcess::execute(unzip, {QStringLiteral("-qo"), archivePath, QStringLiteral("-d"), target});
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        if (rc == 0)
            std::printf("for comparison, unzip -qo: wall %.2f s = %.1f MB/s\n", seconds,
                        double(total) / MiB / seconds);
    }
    return 0;
}
