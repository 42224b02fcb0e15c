#include "platform/ZipExtractor.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>
#include <zip.h>

using namespace Qt::StringLiterals;

namespace {

struct TestEntry {
    enum Kind { File, Folder, Link };
    QByteArray name;
    QByteArray data; // a link's target for links
    Kind kind = File;
    bool deflate = false;
    int mode = -1; // st_mode bits stored as Unix attributes; DOS attributes when negative
};

TestEntry file(const QByteArray &name, const QByteArray &data, int mode = -1, bool deflate = false) {
    return {name, data, TestEntry::File, deflate, mode};
}
TestEntry folder(const QByteArray &name) {
    return {name, {}, TestEntry::Folder, false, -1};
}
TestEntry symlinkEntry(const QByteArray &name, const QByteArray &target) {
    return {name, target, TestEntry::Link, false, S_IFLNK | 0777};
}

// Writes a real archive with libzip; names are stored exactly as given.
void writeZip(const QString &path, const std::vector<TestEntry> &entries) {
    int code = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    QVERIFY2(archive, "zip_open");
    for (const TestEntry &entry : entries) {
        zip_source_t *source =
            zip_source_buffer(archive, entry.data.constData(), zip_uint64_t(entry.data.size()), 0);
        const zip_int64_t index = zip_file_add(archive, entry.name.constData(), source, ZIP_FL_ENC_RAW);
        QVERIFY2(index >= 0, zip_strerror(archive));
        const zip_int32_t method = entry.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE;
        QCOMPARE(zip_set_file_compression(archive, zip_uint64_t(index), method, 0), 0);
        int mode = entry.mode;
        if (entry.kind == TestEntry::Folder)
            mode = S_IFDIR | 0755;
        // Without a mode the entry is marked as made on DOS, which has no Unix permissions.
        const zip_uint8_t system = mode >= 0 ? ZIP_OPSYS_UNIX : ZIP_OPSYS_DOS;
        const zip_uint32_t attributes = mode >= 0 ? zip_uint32_t(mode) << 16 : 0x20;
        QCOMPARE(zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, system, attributes), 0);
    }
    QVERIFY2(zip_close(archive) == 0, zip_strerror(archive));
}

QByteArray randomBytes(qsizetype size) {
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator generator(size);
    for (char &c : data)
        c = char(generator.bounded(256));
    return data;
}

QByteArray textBytes(qsizetype size) {
    QByteArray data;
    for (int line = 0; data.size() < size; ++line)
        data += "line " + QByteArray::number(line) + " of a compressible game data file\n";
    return data.left(size);
}

QByteArray readFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(data), data.size());
}

// Every name below a folder, hidden ones included, links not followed.
QStringList tree(const QString &path) {
    QStringList names;
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(path).relativeFilePath(it.next());
    names.sort();
    return names;
}

int permissions(const QString &path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

struct Report {
    QByteArray name;
    quint32 packed;
    quint32 size;
    qint64 position;
    bool operator==(const Report &) const = default;
};

struct Recorder {
    std::vector<Report> reports;
    ZipProgress callback() {
        return [this](const QByteArray &name, quint32 packed, quint32 size, qint64 position) {
            reports.push_back({name, packed, size, position});
        };
    }
};

// The installation's bar over the reports (its own arithmetic, 32-bit): the highest value shown.
qint32 barValue(const std::vector<Report> &reports, const ZipListing &listing, qint32 archiveSize) {
    QByteArray current;
    qint32 packedSum = 0;
    qint64 started = 0;
    qint32 tail = 0;
    qint32 bar = 0;
    for (const Report &r : reports) {
        if (r.name != current) {
            current = r.name;
            packedSum += qint32(r.packed);
            ++started;
        }
        if (started + listing.folderCount == listing.entryCount && r.position == r.size)
            tail = archiveSize - packedSum;
        bar = std::max(bar, qint32(r.position) + (packedSum - qint32(r.size)) + tail);
    }
    return bar;
}

// Per entry: starts at 0, rises strictly, ends exactly at the entry's size with fixed header sizes.
void checkReportsWellFormed(const std::vector<Report> &reports) {
    for (std::size_t i = 0; i < reports.size(); ++i) {
        const Report &r = reports[i];
        const bool first = i == 0 || reports[i - 1].name != r.name;
        const bool last = i + 1 == reports.size() || reports[i + 1].name != r.name;
        if (first)
            QCOMPARE(r.position, 0);
        else {
            QVERIFY(r.position > reports[i - 1].position);
            QCOMPARE(r.size, reports[i - 1].size);
            QCOMPARE(r.packed, reports[i - 1].packed);
        }
        if (last)
            QCOMPARE(r.position, qint64(r.size));
        else
            QVERIFY(r.position < qint64(r.size));
    }
}

qint64 localDataOffset(const QByteArray &archive) {
    const auto u16 = [&](int at) { return quint8(archive[at]) | quint8(archive[at + 1]) << 8; };
    return 30 + u16(26) + u16(28);
}

} // namespace

class ZipExtractorTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void init() {
        QVERIFY(QDir(m_dir.path()).removeRecursively());
        QVERIFY(QDir().mkpath(m_dir.path()));
    }

    void listCountsEntriesAndFolders() {
        writeZip(path(u"a.zip"_s), {folder("Data/"), file("Data/a.txt", "a"), file("b.txt", "bb"),
                                    folder("Win\\"), file("Win\\c.txt", "c")});
        const ZipListing listing = ZipExtractor::list(path(u"a.zip"_s));
        QVERIFY2(listing.ok, qPrintable(listing.error));
        QCOMPARE(listing.entryCount, 5);
        QCOMPARE(listing.folderCount, 2);

        // An archive with no entries: just the end record.
        writeFile(path(u"empty.zip"_s), QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
        const ZipListing empty = ZipExtractor::list(path(u"empty.zip"_s));
        QVERIFY2(empty.ok, qPrintable(empty.error));
        QCOMPARE(empty.entryCount, 0);
        Recorder recorder;
        const ZipExtractResult result =
            ZipExtractor::extract(path(u"empty.zip"_s), path(u"out"_s), recorder.callback());
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.filesWritten, 0);
        QVERIFY(recorder.reports.empty());
        QVERIFY(QFileInfo(path(u"out"_s)).isDir());
    }

    void workedExampleProgress() {
        const QByteArray one = randomBytes(300), two = randomBytes(500);
        writeZip(path(u"w.zip"_s), {file("one.bin", one), file("two.bin", two)});
        const qint32 archiveSize = qint32(QFileInfo(path(u"w.zip"_s)).size());
        const ZipListing listing = ZipExtractor::list(path(u"w.zip"_s));
        QCOMPARE(listing.entryCount, 2);
        QCOMPARE(listing.folderCount, 0);

        Recorder recorder;
        const ZipExtractResult result =
            ZipExtractor::extract(path(u"w.zip"_s), path(u"out"_s), recorder.callback());
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.filesWritten, 2);
        QCOMPARE(result.bytesWritten, 800);
        const std::vector<Report> expected{{"one.bin", 300, 300, 0},
                                           {"one.bin", 300, 300, 300},
                                           {"two.bin", 500, 500, 0},
                                           {"two.bin", 500, 500, 500}};
        QVERIFY(recorder.reports == expected);
        QCOMPARE(barValue(recorder.reports, listing, archiveSize), archiveSize);
        QCOMPARE(readFile(path(u"out/one.bin"_s)), one);
        QCOMPARE(readFile(path(u"out/two.bin"_s)), two);
    }

    void chunkedProgressOfLargeEntries() {
        const QByteArray text = textBytes(3 * 1024 * 1024 + 17), noise = randomBytes(700 * 1024), tiny("x");
        writeZip(path(u"big.zip"_s), {folder("Game/"), file("Game/text.dat", text, -1, true),
                                      folder("Game/Sub/"), file("Game/Sub/noise.bin", noise, -1, true),
                                      file("Game/empty", {}), file("Game/tiny", tiny, -1, true)});
        const qint32 archiveSize = qint32(QFileInfo(path(u"big.zip"_s)).size());
        const ZipListing listing = ZipExtractor::list(path(u"big.zip"_s));
        QCOMPARE(listing.entryCount, 6);
        QCOMPARE(listing.folderCount, 2);

        Recorder recorder;
        const ZipExtractResult result =
            ZipExtractor::extract(path(u"big.zip"_s), path(u"out"_s), recorder.callback());
        QVERIFY2(result.ok, qPrintable(result.error));
        checkReportsWellFormed(recorder.reports);
        QVERIFY(std::count_if(recorder.reports.begin(), recorder.reports.end(),
                              [](const Report &r) { return r.name == "Game/text.dat"; }) > 5);
        // An empty file reports its start only; folders report nothing.
        QCOMPARE(std::count_if(recorder.reports.begin(), recorder.reports.end(),
                               [](const Report &r) { return r.name == "Game/empty"; }),
                 1);
        QVERIFY(std::none_of(recorder.reports.begin(), recorder.reports.end(),
                             [](const Report &r) { return r.name.endsWith('/'); }));
        const auto text0 = std::find_if(recorder.reports.begin(), recorder.reports.end(),
                                        [](const Report &r) { return r.name == "Game/text.dat"; });
        QVERIFY(text0->packed < text0->size / 10);
        QCOMPARE(text0->size, quint32(text.size()));
        QCOMPARE(barValue(recorder.reports, listing, archiveSize), archiveSize);
        QCOMPARE(result.bytesWritten, text.size() + noise.size() + 1);
        QCOMPARE(result.filesWritten, 4);
        QCOMPARE(readFile(path(u"out/Game/text.dat"_s)), text);
        QCOMPARE(readFile(path(u"out/Game/Sub/noise.bin"_s)), noise);
        QCOMPARE(readFile(path(u"out/Game/empty"_s)), QByteArray());
    }

    void writesFoldersModesAndLinks() {
        writeZip(path(u"m.zip"_s),
                 {folder("Game/Empty/"), file("Game/bin/run.exe", "#!/bin/sh\n", S_IFREG | 0755),
                  file("Game/data/level.dat", textBytes(5000), S_IFREG | 0644, true),
                  file("Game/setuid", "s", S_IFREG | 06755), file("Game/sticky", "t", S_IFREG | 01700),
                  file("Game/private", "p", S_IFREG | 0600), file("Game/plain.txt", "n"),
                  file("Game/lib/libx.so.1", "elf"), symlinkEntry("Game/lib/libx.so", "libx.so.1"),
                  symlinkEntry("Game/share/libx", "../lib/libx.so.1"), file("Game\\Win\\file.txt", "w")});
        const ZipExtractResult result = ZipExtractor::extract(path(u"m.zip"_s), path(u"out/deep/er"_s), {});
        QVERIFY2(result.ok, qPrintable(result.error));
        const QString out = path(u"out/deep/er/Game/"_s);
        QVERIFY(QFileInfo(out + u"Empty"_s).isDir());
        QCOMPARE(permissions(out + u"bin/run.exe"_s), 0755);
        QCOMPARE(permissions(out + u"data/level.dat"_s), 0644);
        QCOMPARE(permissions(out + u"setuid"_s), 0755);
        QCOMPARE(permissions(out + u"sticky"_s), 0700);
        QCOMPARE(permissions(out + u"private"_s), 0600);
        QCOMPARE(permissions(out + u"plain.txt"_s), 0644);
        QCOMPARE(readFile(out + u"data/level.dat"_s), textBytes(5000));
        QCOMPARE(QFileInfo(out + u"lib/libx.so"_s).symLinkTarget(), out + u"lib/libx.so.1"_s);
        QCOMPARE(QFile::symLinkTarget(out + u"share/libx"_s), out + u"lib/libx.so.1"_s);
        QCOMPARE(readFile(out + u"share/libx"_s), QByteArray("elf"));
        QCOMPARE(readFile(out + u"Win/file.txt"_s), QByteArray("w"));
        QCOMPARE(result.filesWritten, 10);
    }

    void replacesFilesAndKeepsOthers() {
        const QString out = path(u"out"_s);
        writeFile(out + u"/Game/a.txt"_s, textBytes(100000));
        writeFile(out + u"/Game/keep.txt"_s, "mine");
        writeFile(path(u"outside.txt"_s), "outside");
        QVERIFY(QFile::link(path(u"outside.txt"_s), out + u"/Game/link.txt"_s));
        writeZip(path(u"r.zip"_s), {file("Game/a.txt", "new"), file("Game/link.txt", "replaced the link")});

        const ZipExtractResult result = ZipExtractor::extract(path(u"r.zip"_s), out, {});
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(readFile(out + u"/Game/a.txt"_s), QByteArray("new"));
        QCOMPARE(readFile(out + u"/Game/keep.txt"_s), QByteArray("mine"));
        QVERIFY(!QFileInfo(out + u"/Game/link.txt"_s).isSymLink());
        QCOMPARE(readFile(out + u"/Game/link.txt"_s), QByteArray("replaced the link"));
        QCOMPARE(readFile(path(u"outside.txt"_s)), QByteArray("outside"));
        QCOMPARE(tree(out),
                 (QStringList{u"Game"_s, u"Game/a.txt"_s, u"Game/keep.txt"_s, u"Game/link.txt"_s}));
    }

    void refusesEntriesLeadingOutside_data() {
        QTest::addColumn<std::vector<TestEntry>>("entries");
        QTest::addColumn<QString>("named");
        QTest::newRow("parent") << std::vector{file("good.txt", "g"), file("../evil", "e")} << u"../evil"_s;
        QTest::newRow("absolute") << std::vector{file("good.txt", "g"), file("/tmp/qb-evil", "e")}
                                  << u"/tmp/qb-evil"_s;
        QTest::newRow("climbs back") << std::vector{file("good.txt", "g"), file("a/../../x", "e")}
                                     << u"a/../../x"_s;
        QTest::newRow("backslash parent")
            << std::vector{file("good.txt", "g"), file("..\\evil", "e")} << u"..\\evil"_s;
        QTest::newRow("backslash climb") << std::vector{file("a\\..\\..\\x", "e")} << u"a\\..\\..\\x"_s;
        QTest::newRow("drive") << std::vector{file("C:\\evil", "e")} << u"C:\\evil"_s;
        QTest::newRow("link absolute")
            << std::vector{file("good.txt", "g"), symlinkEntry("etc", "/etc")} << u"etc"_s;
        QTest::newRow("link up") << std::vector{symlinkEntry("up", "../x")} << u"up"_s;
        QTest::newRow("link up twice") << std::vector{symlinkEntry("sub/up", "../../x")} << u"sub/up"_s;
        QTest::newRow("link down then up") << std::vector{symlinkEntry("sub/l", "a/../../..")} << u"sub/l"_s;
        QTest::newRow("link then file through it")
            << std::vector{symlinkEntry("data", "."), file("data/x", "e")} << u"data"_s;
        QTest::newRow("twice") << std::vector{file("a.txt", "1"), file("./a.txt", "2")} << u"./a.txt"_s;
        QTest::newRow("file and folder") << std::vector{file("a", "1"), file("a/b", "2")} << u"a/b"_s;
        QTest::newRow("no name") << std::vector{file("x", "1"), file(".", "1")} << u"."_s;
    }

    void refusesEntriesLeadingOutside() {
        QFETCH(std::vector<TestEntry>, entries);
        QFETCH(QString, named);
        QTemporaryDir sandbox;
        const QString zip = sandbox.filePath(u"bad.zip"_s);
        writeZip(zip, entries);
        const ZipListing listing = ZipExtractor::list(zip);
        QVERIFY2(listing.ok, qPrintable(listing.error)); // counting is harmless

        Recorder recorder;
        const ZipExtractResult result =
            ZipExtractor::extract(zip, sandbox.filePath(u"target"_s), recorder.callback());
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(u'"' + named + u'"'), qPrintable(result.error));
        QCOMPARE(result.filesWritten, 0);
        QVERIFY(recorder.reports.empty());
        QCOMPARE(tree(sandbox.path()), QStringList{u"bad.zip"_s});
        QVERIFY(!QFileInfo::exists(u"/tmp/qb-evil"_s));
    }

    void refusesFoldersLinkedOutside() {
        QTemporaryDir outside;
        const QString out = path(u"out"_s);
        QVERIFY(QDir().mkpath(out + u"/real"_s));
        QVERIFY(QFile::link(outside.path(), out + u"/data"_s));
        writeZip(path(u"l.zip"_s), {file("good.txt", "g"), file("data/evil.txt", "e")});
        ZipExtractResult result = ZipExtractor::extract(path(u"l.zip"_s), out, {});
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(u"\"data/evil.txt\""_s) && result.error.contains(u"\"data\""_s),
                 qPrintable(result.error));
        QVERIFY(tree(outside.path()).isEmpty());
        QVERIFY(!QFileInfo::exists(out + u"/good.txt"_s));

        // Links of the target that stay inside it may be passed through, by files and by links, but a link
        // entry is measured from where it really lands: "media/../x" seen from the target itself leaves it.
        QVERIFY(QFile::link(u"."_s, out + u"/media"_s));
        writeZip(path(u"l.zip"_s), {file("media/x.txt", "x"), symlinkEntry("media/y", "../x.txt")});
        result = ZipExtractor::extract(path(u"l.zip"_s), out, {});
        QVERIFY2(!result.ok && result.error.contains(u"\"media/y\""_s), qPrintable(result.error));
        QCOMPARE(readFile(out + u"/x.txt"_s), QByteArray("x"));
        QVERIFY(!QFileInfo(out + u"/y"_s).isSymLink());

        QVERIFY(QFile::link(u"real"_s, out + u"/inside"_s));
        writeZip(path(u"l.zip"_s), {file("inside/x.txt", "x"), symlinkEntry("inside/y", "x.txt")});
        result = ZipExtractor::extract(path(u"l.zip"_s), out, {});
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(readFile(out + u"/real/x.txt"_s), QByteArray("x"));
        QCOMPARE(readFile(out + u"/real/y"_s), QByteArray("x"));
        QVERIFY(tree(outside.path()).isEmpty());
    }

    void reportsBadArchives_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("present");
        writeZip(path(u"good.zip"_s),
                 {file("a.txt", textBytes(20000), -1, true), file("b.txt", randomBytes(3000))});
        const QByteArray good = readFile(path(u"good.zip"_s));
        QByteArray badLocal = good;
        badLocal[3] = 9;
        QByteArray badCentral = good;
        badCentral[badCentral.indexOf("PK\x01\x02") + 3] = 9;
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("zero bytes") << QByteArray() << true;
        QTest::newRow("garbage") << randomBytes(5000) << true;
        QTest::newRow("error page") << QByteArray("<html><body>404 Not Found</body></html>\n") << true;
        QTest::newRow("truncated") << good.left(good.size() / 2) << true;
        QTest::newRow("end cut") << good.left(good.size() - 5) << true;
        QTest::newRow("bad local header") << badLocal << true;
        QTest::newRow("bad central directory") << badCentral << true;
    }

    void reportsBadArchives() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, present);
        const QString zip = path(u"bad.zip"_s);
        if (present)
            writeFile(zip, bytes);
        const ZipListing listing = ZipExtractor::list(zip);
        const ZipExtractResult result = ZipExtractor::extract(zip, path(u"out"_s), {});
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(zip), qPrintable(result.error));
        QCOMPARE(result.filesWritten, 0);
        QVERIFY(!QFileInfo::exists(path(u"out"_s)));
        QVERIFY(!listing.ok);
        QVERIFY2(listing.error.contains(zip), qPrintable(listing.error));
    }

    void corruptDataKeepsTheOldFile_data() {
        QTest::addColumn<bool>("deflate");
        QTest::newRow("stored") << false;
        QTest::newRow("deflated") << true;
    }

    void corruptDataKeepsTheOldFile() {
        QFETCH(bool, deflate);
        const QByteArray data = deflate ? textBytes(400000) : randomBytes(400000);
        writeZip(path(u"c.zip"_s), {file("a.txt", data, -1, deflate), file("b.txt", "later")});
        QByteArray bytes = readFile(path(u"c.zip"_s));
        bytes[localDataOffset(bytes) + 200] = char(bytes[localDataOffset(bytes) + 200] ^ 0x55);
        writeFile(path(u"c.zip"_s), bytes);
        writeFile(path(u"out/a.txt"_s), "good old file");

        Recorder recorder;
        const ZipExtractResult result =
            ZipExtractor::extract(path(u"c.zip"_s), path(u"out"_s), recorder.callback());
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(u"\"a.txt\""_s), qPrintable(result.error));
        if (!deflate)
            QVERIFY2(result.error.contains(u"CRC"_s), qPrintable(result.error));
        QCOMPARE(readFile(path(u"out/a.txt"_s)), QByteArray("good old file"));
        QCOMPARE(tree(path(u"out"_s)), QStringList{u"a.txt"_s});
        QVERIFY(!recorder.reports.empty());
        QVERIFY(std::all_of(recorder.reports.begin(), recorder.reports.end(),
                            [&](const Report &r) { return r.position < data.size(); }));
    }

    void writeFailureKeepsTheOldFile() {
        writeZip(path(u"f.zip"_s),
                 {file("small.txt", "fits"), file("big.bin", randomBytes(2 * 1024 * 1024))});
        writeFile(path(u"out/big.bin"_s), "good old file");
        // A file size limit makes writes fail like a full disk, without a mount.
        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = 512 * 1024;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        const ZipExtractResult result = ZipExtractor::extract(path(u"f.zip"_s), path(u"out"_s), {});
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(u"\"big.bin\""_s) && result.error.contains(qt_error_string(EFBIG)),
                 qPrintable(result.error));
        QCOMPARE(readFile(path(u"out/big.bin"_s)), QByteArray("good old file"));
        QCOMPARE(readFile(path(u"out/small.txt"_s)), QByteArray("fits"));
        QCOMPARE(tree(path(u"out"_s)), (QStringList{u"big.bin"_s, u"small.txt"_s}));
        QCOMPARE(result.filesWritten, 1);
    }

    void stopFlagEndsItBetweenChunks() {
        writeZip(path(u"s.zip"_s), {file("first.txt", "whole"), file("big.bin", randomBytes(3 * 1024 * 1024)),
                                    file("never.txt", "not reached")});
        writeFile(path(u"out/big.bin"_s), "good old file");
        std::atomic_bool stop = false;
        const ZipExtractResult result = ZipExtractor::extract(
            path(u"s.zip"_s), path(u"out"_s),
            [&](const QByteArray &name, quint32, quint32, qint64 position) {
                if (name == "big.bin" && position > 0)
                    stop = true;
            },
            &stop);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(u"stopped"_s), qPrintable(result.error));
        QCOMPARE(readFile(path(u"out/big.bin"_s)), QByteArray("good old file"));
        QCOMPARE(tree(path(u"out"_s)), (QStringList{u"big.bin"_s, u"first.txt"_s}));
    }

    void progressMayServeTheEventLoop() {
        writeZip(path(u"outer.zip"_s), {file("one.txt", textBytes(600000), -1, true), file("two.txt", "2")});
        writeZip(path(u"inner.zip"_s), {file("inner.txt", textBytes(300000), -1, true)});
        ZipExtractResult inner;
        Recorder innerRecorder;
        // A timer that fires inside the outer extraction and starts another one there.
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, this, [&] {
            inner = ZipExtractor::extract(path(u"inner.zip"_s), path(u"in"_s), innerRecorder.callback());
        });
        timer.start(0);
        Recorder outerRecorder;
        const ZipProgress serve = [&](const QByteArray &name, quint32 packed, quint32 size, qint64 position) {
            outerRecorder.reports.push_back({name, packed, size, position});
            QCoreApplication::processEvents();
        };
        const ZipExtractResult outer = ZipExtractor::extract(path(u"outer.zip"_s), path(u"out"_s), serve);
        QVERIFY2(outer.ok, qPrintable(outer.error));
        QVERIFY2(inner.ok, qPrintable(inner.error));
        checkReportsWellFormed(outerRecorder.reports);
        checkReportsWellFormed(innerRecorder.reports);
        QCOMPARE(readFile(path(u"out/one.txt"_s)), textBytes(600000));
        QCOMPARE(readFile(path(u"in/inner.txt"_s)), textBytes(300000));
    }
};

QTEST_GUILESS_MAIN(ZipExtractorTest)
#include "ZipExtractorTest.moc"
