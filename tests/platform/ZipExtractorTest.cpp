#include "platform/ZipExtractor.h"

#include "FileFixtures.h"
#include "core/UnzipProgress.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>
#include <zip.h>

using namespace Qt::StringLiterals;
using namespace FileFixtures;

namespace {

struct Entry {
    QByteArray name;
    QByteArray data; // a link's target for links
    int mode = -1;   // st_mode bits as Unix attributes; none (DOS attributes) when negative
    bool deflate = false;
};

Entry folder(const QByteArray &name) {
    return {name, {}, S_IFDIR | 0755};
}
Entry symlinkEntry(const QByteArray &name, const QByteArray &target) {
    return {name, target, S_IFLNK | 0777};
}

// A real archive made with libzip; names are stored exactly as given.
void writeZip(const QString &path, const std::vector<Entry> &entries) {
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    QVERIFY(archive);
    for (const Entry &e : entries) {
        zip_source_t *source = zip_source_buffer(archive, e.data.constData(), zip_uint64_t(e.data.size()), 0);
        const zip_int64_t index = zip_file_add(archive, e.name.constData(), source, ZIP_FL_ENC_RAW);
        QVERIFY2(index >= 0, zip_strerror(archive));
        zip_set_file_compression(archive, zip_uint64_t(index), e.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
        zip_file_set_external_attributes(archive, zip_uint64_t(index), 0,
                                         e.mode >= 0 ? ZIP_OPSYS_UNIX : ZIP_OPSYS_DOS,
                                         e.mode >= 0 ? zip_uint32_t(e.mode) << 16 : 0x20);
    }
    QVERIFY2(zip_close(archive) == 0, zip_strerror(archive));
}

QByteArray text(qsizetype size) {
    QByteArray data;
    for (int line = 0; data.size() < size; ++line)
        data += "line " + QByteArray::number(line) + " of a compressible game data file\n";
    return data.left(size);
}

int permissions(const QString &path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

} // namespace

class ZipExtractorTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void init() { QVERIFY(QDir(m_dir.path()).removeRecursively() && QDir().mkpath(m_dir.path())); }

    // The reports feed the installation's bar (core's arithmetic), which must end on the archive size.
    void extractsWithProgressModesAndLinks() {
        const QByteArray big = text(3 * 1024 * 1024);
        writeZip(path(u"a.zip"_s), {folder("Game/Empty/"),
                                    {"Game/big.dat", big, -1, true},
                                    {"Game/run.exe", "#!/bin/sh\n", S_IFREG | 0755},
                                    {"Game/setuid", "s", S_IFREG | 06755},
                                    {"Game/private", "p", S_IFREG | 0600},
                                    {"Game/empty", {}},
                                    {"Game/lib/libx.so.1", "elf"},
                                    symlinkEntry("Game/lib/libx.so", "libx.so.1"),
                                    symlinkEntry("Game/share/x", "../lib/libx.so.1"),
                                    {"Game\\Win\\file.txt", "w"}});
        const ZipListing listing = ZipExtractor::list(path(u"a.zip"_s));
        QVERIFY2(listing.ok, qPrintable(listing.error));
        QCOMPARE(listing.entryCount, 10);
        QCOMPARE(listing.folderCount, 1);

        UnzipProgress bar(QFileInfo(path(u"a.zip"_s)).size(), listing.entryCount, listing.folderCount);
        int bigReports = 0;
        const ZipExtractResult result =
            ZipExtractor::extract(path(u"a.zip"_s), path(u"out/deep"_s),
                                  [&](const QByteArray &name, quint32 packed, quint32 size, qint64 at) {
                                      QVERIFY(!bar.Complete());
                                      bigReports += name == "Game/big.dat";
                                      bar.Report(name, packed, size, at);
                                  });
        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(bar.Complete());
        QVERIFY(bigReports > 5);
        QCOMPARE(result.filesWritten, 9);
        QCOMPARE(result.bytesWritten, big.size() + 10 + 1 + 1 + 3 + 9 + 16 + 1);

        const QString out = path(u"out/deep/Game/"_s);
        QCOMPARE(readFile(out + u"big.dat"_s), big);
        QCOMPARE(snapshot(out),
                 (QStringList{u"Empty/"_s, u"Win/"_s, u"Win/file.txt=w"_s, u"big.dat=#3145728"_s, u"empty="_s,
                              u"lib/"_s, u"lib/libx.so->"_s + out + u"lib/libx.so.1"_s,
                              u"lib/libx.so.1=elf"_s, u"private=p"_s, u"run.exe=#!/bin/sh\n"_s, u"setuid=s"_s,
                              u"share/"_s, u"share/x->"_s + out + u"lib/libx.so.1"_s}));
        QCOMPARE(permissions(out + u"run.exe"_s), 0755);
        QCOMPARE(permissions(out + u"setuid"_s), 0755);
        QCOMPARE(permissions(out + u"private"_s), 0600);
        QCOMPARE(permissions(out + u"empty"_s), 0644);
    }

    void replacesFilesAndLinksKeepsOthers() {
        const QString out = path(u"out"_s);
        QVERIFY(writeFile(out + u"/a.txt"_s, "old") && writeFile(out + u"/keep.txt"_s, "mine") &&
                writeFile(path(u"outside.txt"_s), "outside"));
        QVERIFY(QFile::link(path(u"outside.txt"_s), out + u"/link.txt"_s));
        writeZip(path(u"r.zip"_s), {{"a.txt", "new"}, {"link.txt", "not through the link"}});
        const ZipExtractResult result = ZipExtractor::extract(path(u"r.zip"_s), out, {});
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(snapshot(out),
                 (QStringList{u"a.txt=new"_s, u"keep.txt=mine"_s, u"link.txt=not through the link"_s}));
        QCOMPARE(readFile(path(u"outside.txt"_s)), QByteArray("outside"));
    }

    void refusesEntriesLeadingOutside_data() {
        QTest::addColumn<std::vector<Entry>>("entries");
        QTest::addColumn<QString>("named");
        const Entry good{"good.txt", "g"};
        QTest::newRow("parent") << std::vector{good, Entry{"../evil", "e"}} << u"../evil"_s;
        QTest::newRow("absolute") << std::vector{good, Entry{"/tmp/qb-evil", "e"}} << u"/tmp/qb-evil"_s;
        QTest::newRow("climbs back") << std::vector{good, Entry{"a/../../x", "e"}} << u"a/../../x"_s;
        QTest::newRow("backslash parent") << std::vector{good, Entry{"..\\evil", "e"}} << u"..\\evil"_s;
        QTest::newRow("backslash climb") << std::vector{Entry{"a\\..\\..\\x", "e"}} << u"a\\..\\..\\x"_s;
        QTest::newRow("drive") << std::vector{Entry{"C:\\evil", "e"}} << u"C:\\evil"_s;
        QTest::newRow("link absolute") << std::vector{good, symlinkEntry("etc", "/etc")} << u"etc"_s;
        QTest::newRow("link up twice") << std::vector{symlinkEntry("sub/up", "../../x")} << u"sub/up"_s;
        QTest::newRow("link down then up") << std::vector{symlinkEntry("sub/l", "a/../../..")} << u"sub/l"_s;
        QTest::newRow("file through a link")
            << std::vector{symlinkEntry("data", "."), Entry{"data/x", "e"}} << u"data"_s;
        QTest::newRow("twice") << std::vector{Entry{"a.txt", "1"}, Entry{"./a.txt", "2"}} << u"./a.txt"_s;
        QTest::newRow("file and folder") << std::vector{Entry{"a", "1"}, Entry{"a/b", "2"}} << u"a/b"_s;
    }

    // Checked before anything is written: nothing at all comes out.
    void refusesEntriesLeadingOutside() {
        QFETCH(std::vector<Entry>, entries);
        QFETCH(QString, named);
        writeZip(path(u"bad.zip"_s), entries);
        bool reported = false;
        const ZipExtractResult result =
            ZipExtractor::extract(path(u"bad.zip"_s), path(u"target"_s),
                                  [&](const QByteArray &, quint32, quint32, qint64) { reported = true; });
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(u'"' + named + u'"'), qPrintable(result.error));
        QVERIFY(!reported);
        QCOMPARE(snapshot(m_dir.path()),
                 QStringList{u"bad.zip=#"_s + QString::number(QFileInfo(path(u"bad.zip"_s)).size())});
        QVERIFY(!QFileInfo::exists(u"/tmp/qb-evil"_s));
    }

    // A folder of the target that links outside; a link entry measured from where it really lands (found
    // as it is written, after the entries before it).
    void refusesFoldersLinkedOutside() {
        QTemporaryDir outside;
        const QString out = path(u"out"_s);
        QVERIFY(QDir().mkpath(out) && QFile::link(outside.path(), out + u"/data"_s));
        QVERIFY(QFile::link(u"."_s, out + u"/media"_s));
        const QStringList links{u"data->"_s + outside.path(), u"media->"_s + out};
        writeZip(path(u"l.zip"_s), {{"good.txt", "g"}, {"data/evil.txt", "e"}});
        ZipExtractResult result = ZipExtractor::extract(path(u"l.zip"_s), out, {});
        QVERIFY2(!result.ok && result.error.contains(u"\"data\""_s), qPrintable(result.error));
        QCOMPARE(snapshot(out), links);
        writeZip(path(u"l.zip"_s), {{"good.txt", "g"}, symlinkEntry("media/y", "../x.txt")});
        result = ZipExtractor::extract(path(u"l.zip"_s), out, {});
        QVERIFY2(!result.ok && result.error.contains(u"\"media/y\""_s), qPrintable(result.error));
        QCOMPARE(snapshot(out), (QStringList{links[0], u"good.txt=g"_s, links[1]}));
        QVERIFY(QDir(outside.path()).isEmpty());
    }

    void reportsBadArchives_data() {
        QTest::addColumn<QByteArray>("bytes");
        writeZip(path(u"good.zip"_s), {{"a.txt", text(20000), -1, true}, {"b.txt", text(3000)}});
        const QByteArray good = readFile(path(u"good.zip"_s));
        QByteArray badCentral = good;
        badCentral[badCentral.indexOf("PK\x01\x02") + 3] = 9;
        QTest::newRow("missing") << QByteArray("<missing>");
        QTest::newRow("error page") << QByteArray("<html><body>404 Not Found</body></html>\n");
        QTest::newRow("truncated") << good.left(good.size() / 2);
        QTest::newRow("bad central directory") << badCentral;
    }

    void reportsBadArchives() {
        QFETCH(QByteArray, bytes);
        const QString zip = path(u"bad.zip"_s);
        QVERIFY(bytes == "<missing>" || writeFile(zip, bytes));
        const ZipListing listing = ZipExtractor::list(zip);
        QVERIFY2(!listing.ok && listing.error.contains(zip), qPrintable(listing.error));
        const ZipExtractResult result = ZipExtractor::extract(zip, path(u"out"_s), {});
        QVERIFY2(!result.ok && result.error.contains(zip), qPrintable(result.error));
        QVERIFY(!QFileInfo::exists(path(u"out"_s)));
    }

    // What zip tools other than ours write: a trailing comment that does not match is accepted (every
    // entry reads and passes its checksum); the rest is refused in words that say what is wrong.
    void oddArchivesOfOtherTools_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("refusal");
        writeZip(path(u"good.zip"_s), {{"a.txt", text(2000), -1, true}, {"b.txt", "b"}});
        const QByteArray good = readFile(path(u"good.zip"_s));
        QTest::newRow("bytes before the data")
            << "#!/bin/sh\nexit 0\n" + good << u"other data before the zip data"_s;
        QTest::newRow("comment that does not match") << good + "trailing words" << QString();
        QTest::newRow("one name twice")
            << QByteArray(good).replace("b.txt", "a.txt") << u"holds two files named \"a.txt\""_s;
        QTest::newRow("error page") << QByteArray("<html>404</html>") << u"not a zip archive"_s;
    }

    void oddArchivesOfOtherTools() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, refusal);
        QVERIFY(writeFile(path(u"odd.zip"_s), bytes));
        const ZipExtractResult result = ZipExtractor::extract(path(u"odd.zip"_s), path(u"out"_s), {});
        if (refusal.isEmpty()) {
            QVERIFY2(result.ok, qPrintable(result.error));
            QCOMPARE(snapshot(path(u"out"_s)), (QStringList{u"a.txt=#2000"_s, u"b.txt=b"_s}));
        } else {
            QVERIFY2(!result.ok && result.error.contains(refusal), qPrintable(result.error));
        }
    }

    // Damaged data, a full disk, a stop request: the entry being written is dropped, the old file stays.
    void failuresKeepTheOldFile_data() {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("error");
        QTest::newRow("damaged stored") << u"stored"_s << u"CRC"_s;
        QTest::newRow("damaged deflated") << u"deflated"_s << u"\"big.bin\""_s;
        QTest::newRow("disk full") << u"full"_s << qt_error_string(EFBIG);
        QTest::newRow("stop flag") << u"stop"_s << u"stopped"_s;
    }

    void failuresKeepTheOldFile() {
        QFETCH(QString, failure);
        QFETCH(QString, error);
        const QByteArray big = text(2 * 1024 * 1024);
        writeZip(path(u"f.zip"_s), {{"first.txt", "whole"},
                                    {"big.bin", big, -1, failure == u"deflated"},
                                    {"never.txt", "not reached"}});
        if (failure == u"stored" || failure == u"deflated") {
            QByteArray bytes = readFile(path(u"f.zip"_s));
            const qsizetype header = bytes.indexOf("PK\x03\x04", 4); // big.bin's
            const auto u16 = [&](qsizetype at) { return quint8(bytes[at]) | quint8(bytes[at + 1]) << 8; };
            const qsizetype data = header + 30 + u16(header + 26) + u16(header + 28);
            bytes[data + 200] = char(bytes[data + 200] ^ 0x55);
            QVERIFY(writeFile(path(u"f.zip"_s), bytes));
        }
        QVERIFY(writeFile(path(u"out/big.bin"_s), "good old file"));
        std::atomic_bool stop = false;
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (failure == u"full") { // a file size limit fails writes like a full disk, without a mount
            rlimit limited = saved;
            limited.rlim_cur = 512 * 1024;
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        }
        const ZipExtractResult result = ZipExtractor::extract(
            path(u"f.zip"_s), path(u"out"_s),
            [&](const QByteArray &name, quint32, quint32, qint64 at) {
                stop = failure == u"stop" && name == "big.bin" && at > 0;
            },
            &stop);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(error), qPrintable(result.error));
        QCOMPARE(snapshot(path(u"out"_s)), (QStringList{u"big.bin=good old file"_s, u"first.txt=whole"_s}));
    }
};

QTEST_GUILESS_MAIN(ZipExtractorTest)
#include "ZipExtractorTest.moc"
