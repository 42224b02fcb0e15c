// How long ReadFileVersion and the 13-game installed-state scan take on large executables.
// Usage: FileVersionBench [size in MB, default 128]
#include "../tests/core/ElfImage.h"
#include "core/FileVersion.h"
#include "core/GameLibrary.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Sections shaped like a linked program with debug information: a big text section, the record
// somewhere in the middle, and debug sections after it.
QByteArray largeExecutable(qsizetype megabytes) {
    ElfImage image;
    const qsizetype chunk = megabytes * 1024 * 1024 / 4;
    const char *names[] = {".interp",     ".note.gnu.build-id",
                           ".gnu.hash",   ".dynsym",
                           ".dynstr",     ".rela.dyn",
                           ".init",       ".plt",
                           ".text",       ".fini",
                           ".rodata",     ".eh_frame_hdr",
                           ".eh_frame",   ".init_array",
                           ".fini_array", ".dynamic",
                           ".got",        ".data"};
    for (const char *name : names) {
        const bool big = qstrcmp(name, ".text") == 0 || qstrcmp(name, ".rodata") == 0;
        image.sections.push_back({name, 1, QByteArray(big ? chunk : 4096, '\xCC'), {}, {}, {}});
    }
    image.sections.push_back({".fileversion", 1, ElfImage::record(0x00010000, 8, false), {}, {}, {}});
    for (const char *name : {".comment", ".debug_aranges", ".debug_info", ".debug_abbrev", ".debug_line",
                             ".debug_str", ".debug_rnglists", ".symtab", ".strtab"}) {
        const bool big = qstrcmp(name, ".debug_info") == 0 || qstrcmp(name, ".debug_line") == 0;
        image.sections.push_back({name, 1, QByteArray(big ? chunk : 4096, '\x11'), {}, {}, {}});
    }
    return image.build();
}

double medianMicroseconds(std::vector<qint64> &nanoseconds) {
    std::sort(nanoseconds.begin(), nanoseconds.end());
    return double(nanoseconds[nanoseconds.size() / 2]) / 1000.0;
}

} // namespace

int main(int argc, char **argv) {
    const qsizetype megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 128;
    QTemporaryDir dir;
    if (!dir.isValid() || megabytes <= 0)
        return 1;

    const QByteArray bytes = largeExecutable(megabytes);
    const QString big = dir.filePath(QStringLiteral("big.exe"));
    {
        QFile file(big);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
    }
    // Thirteen installed games, each executable a link to the large file.
    GameLibrary library(dir.path());
    for (int i = 0; i < int(GameCount); ++i) {
        QDir(dir.path()).mkpath(QString::fromUtf8(GameLibrary::GameFolderPath(i)));
        QFile::link(big, library.AbsolutePath(GameLibrary::ExePath(i)));
    }

    const QByteArray path = QFile::encodeName(big);
    if (ReadFileVersion(path) != "1.0.0.8") {
        std::fputs("record not found\n", stderr);
        return 1;
    }
    std::vector<qint64> reads;
    for (int i = 0; i < 2000; ++i) {
        QElapsedTimer timer;
        timer.start();
        const QByteArray version = ReadFileVersion(path);
        reads.push_back(timer.nsecsElapsed());
        if (version.isEmpty())
            return 1;
    }
    std::vector<qint64> scans;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer timer;
        timer.start();
        library.ScanInstalled();
        scans.push_back(timer.nsecsElapsed());
        if (library.InstalledCount != GameCount)
            return 1;
    }
    std::printf("file: %lld MB\n", static_cast<long long>(bytes.size() / (1024 * 1024)));
    std::printf("ReadFileVersion: median %.1f us (2000 runs, warm cache)\n", medianMicroseconds(reads));
    std::printf("installed-state scan of 13 games: median %.1f us (200 runs)\n", medianMicroseconds(scans));
    return 0;
}
