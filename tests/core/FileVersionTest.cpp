#include "core/FileVersion.h"

#include "ElfImage.h"
#include "FileFixtures.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

using namespace FileFixtures;

namespace {

const QByteArray SignatureBytes("\xBD\x04\xEF\xFE", 4);

// A record section among a few ordinary ones.
ElfImage imageWith(const QByteArray &record, bool wide = true, bool bigEndian = false) {
    ElfImage image;
    image.wide = wide;
    image.bigEndian = bigEndian;
    image.sections.push_back({".text", 1, QByteArray(300, '\x90'), {}, {}, {}});
    image.sections.push_back({".bss", 8, {}, {}, 4096, {}});
    image.sections.push_back({".fileversion", 1, record, {}, {}, {}});
    image.sections.push_back({".comment", 1, "GCC: test", {}, {}, {}});
    return image;
}

ElfImage imageWithVersion(quint32 ms, quint32 ls, bool wide = true, bool bigEndian = false) {
    return imageWith(ElfImage::record(ms, ls, bigEndian), wide, bigEndian);
}

} // namespace

class FileVersionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(m_dir.isValid()); }

    void readsRecords_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("version");
        QTest::newRow("built 1.0.0.8") << readFile(QStringLiteral(FIXTURE_V1008)) << QByteArray("1.0.0.8");
        QTest::newRow("built 2.10.3.0") << readFile(QStringLiteral(FIXTURE_V21030)) << QByteArray("2.10.3.0");
        QTest::newRow("built without record")
            << readFile(QStringLiteral(FIXTURE_UNVERSIONED)) << QByteArray();
        const quint32 ms = 65535u << 16, ls = (12u << 16) | 7;
        for (const bool wide : {true, false})
            for (const bool big : {true, false})
                QTest::addRow("%d-bit %s", wide ? 64 : 32, big ? "big-endian" : "little-endian")
                    << imageWithVersion(ms, ls, wide, big).build() << QByteArray("65535.0.12.7");
        QTest::newRow("file version, not product version")
            << imageWith(ElfImage::record(0x00070008, 0x00090000, false, 0xFEEF04BDu, 0x0001000200030004ull))
                   .build()
            << QByteArray("7.8.9.0");
        ElfImage extended = imageWithVersion(0x00030001, 0x00040002);
        extended.extendedNumbering = true;
        QTest::newRow("extended numbering") << extended.build() << QByteArray("3.1.4.2");
        // Past the first batch of section headers the reader takes, and a string table too large
        // to read at once.
        ElfImage many = imageWithVersion(0x00010000, 1);
        for (int i = 0; i < 200; ++i)
            many.sections.insert(many.sections.begin(), {".t" + QByteArray::number(i), 1, "x", {}, {}, {}});
        many.sections.insert(many.sections.begin(), {"." + QByteArray(70'000, 'n'), 1, "x", {}, {}, {}});
        QTest::newRow("200 sections, long names") << many.build() << QByteArray("1.0.0.1");
    }
    void readsRecords() {
        QFETCH(QByteArray, bytes);
        QTEST(ReadFileVersion(write("image", bytes)), "version");
    }

    void emptyForDamagedFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = ElfImage::record(0x00010000, 8, false);
        const auto damaged = [&](const char *name, const std::function<void(ElfImage &)> &change) {
            ElfImage image = imageWith(good);
            change(image);
            QTest::newRow(name) << image.build();
        };
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("ELF magic only") << QByteArray("\x7F\x45\x4C\x46", 4);
        QByteArray badClass = imageWith(good).build();
        badClass[4] = 3;
        QTest::newRow("unknown ELF class") << badClass;
        QByteArray flipped = readFile(QStringLiteral(FIXTURE_V1008));
        flipped[flipped.indexOf(SignatureBytes)] = 0;
        QTest::newRow("built, signature damaged") << flipped;
        QTest::newRow("record in the wrong byte order") << imageWith(good, true, true).build();
        damaged("section size says short", [](ElfImage &i) { i.sections[2].size = 48; });
        damaged("record section without file data", [](ElfImage &i) { i.sections[2].type = 8; });
        damaged("record offset wraps around", [](ElfImage &i) { i.sections[2].offset = ~quint64(0) - 8; });
        damaged("name offset past the strings", [](ElfImage &i) { i.sections[2].nameOffset = 0xFFFFFFF0u; });
        damaged("section table past the end", [](ElfImage &i) { i.shoff = 10'000'000; });
        damaged("huge section count", [](ElfImage &i) { i.shnum = 0xFEFF; });
        damaged("string table without file data", [](ElfImage &i) { i.shstrndx = 2; });
        damaged("section entries too small", [](ElfImage &i) { i.shentsize = 16; });
        // The extended count sits in the null section, read before the count is checked against the file.
        ElfImage extended = imageWith(good);
        extended.extendedNumbering = true;
        const QByteArray bytes = extended.build();
        const qsizetype countField = bytes.size() - 6 * 64 + 32;
        QCOMPARE(bytes.mid(countField, 8), QByteArray("\x06\0\0\0\0\0\0\0", 8));
        for (const char *count : {"\0\0\0\0\0\0\0\x10", "\x07\0\0\0\0\0\0\0", "\0\0\0\0\0\0\0\0"})
            QTest::addRow("extended count %d%d", count[0], count[7])
                << QByteArray(bytes).replace(countField, 8, QByteArray(count, 8));
    }
    void emptyForDamagedFiles() {
        QFETCH(QByteArray, bytes);
        QCOMPARE(ReadFileVersion(write("damaged", bytes)), QByteArray());
    }

    void missingAndOddPaths() {
        const QString missing = m_dir.filePath(QStringLiteral("missing.exe"));
        for (const QByteArray &path : {QFile::encodeName(missing), QFile::encodeName(m_dir.path()),
                                       QByteArray(), QByteArray("/dev/null")})
            QCOMPARE(ReadFileVersion(path), QByteArray());
        QVERIFY(WriteFileVersion(QFile::encodeName(missing), "1.0.0.9").error.startsWith(u"cannot read"));
        QVERIFY(!QFile::exists(missing));
    }

    // Random damage and cuts give either nothing or a well-formed version, never a crash or a read
    // outside the file (the sanitizer build runs this too).
    void survivesRandomDamage() {
        const QRegularExpression wellFormed(QStringLiteral("^\\d{1,5}\\.\\d{1,5}\\.\\d{1,5}\\.\\d{1,5}$"));
        QRandomGenerator random(20240611);
        const std::vector<QByteArray> originals{readFile(QStringLiteral(FIXTURE_V1008)),
                                                imageWithVersion(0x00020001, 3, false).build(),
                                                imageWithVersion(0x00020001, 3, true, true).build()};
        int stillRead = 0;
        for (int round = 0; round < 1500; ++round) {
            QByteArray bytes = originals[std::size_t(round) % originals.size()];
            // Mostly the ELF header and the section table at the end, where offsets and counts live.
            const int tail = int(qMin<qsizetype>(2600, bytes.size()));
            for (int flips = 1 + random.bounded(8); flips > 0; --flips)
                bytes[random.bounded(3) == 0 ? random.bounded(64) : bytes.size() - 1 - random.bounded(tail)] =
                    char(random.bounded(256));
            if (random.bounded(4) == 0)
                bytes.truncate(random.bounded(int(bytes.size())));
            const QByteArray version = ReadFileVersion(writeFresh(bytes));
            QVERIFY2(version.isEmpty() || wellFormed.match(QString::fromLatin1(version)).hasMatch(),
                     version.constData());
            stillRead += version.isEmpty() ? 0 : 1;
        }
        QVERIFY(stillRead > 0); // damage that misses what the reader looks at leaves the version
    }

    // Only the file and product version words change; bad versions and files without a record are
    // refused and the file stays as it was.
    void writeChangesOnlyTheVersionWords() {
        const QByteArray original = readFile(QStringLiteral(FIXTURE_V1008));
        const QByteArray path = write("launcher.exe", original);
        const QFileDevice::Permissions permissions = QFile::permissions(QFile::decodeName(path));
        const WriteFileVersionResult result = WriteFileVersion(path, "1.0.0.9");
        QVERIFY2(result.ok, qPrintable(result.error));
        const qsizetype record = original.indexOf(SignatureBytes);
        const QByteArray words("\x00\x00\x01\x00\x09\x00\x00\x00", 8);
        const QByteArray written = original.left(record + 8) + words + words + original.mid(record + 24);
        QCOMPARE(readFile(QFile::decodeName(path)), written);
        QCOMPARE(QFile::permissions(QFile::decodeName(path)), permissions);
        for (const char *version : {"", "1.0.0", "1.0.0.8.1", "1.0.0.65536", "+1.0.0.8", "0x1.0.0.8"})
            QVERIFY2(!WriteFileVersion(path, version).ok, version);
        QCOMPARE(readFile(QFile::decodeName(path)), written);

        const QByteArray image = write("image", imageWithVersion(0x00010000, 8, false, true).build());
        QVERIFY(WriteFileVersion(image, "65535.65535.0.0").ok);
        QCOMPARE(ReadFileVersion(image), QByteArray("65535.65535.0.0"));
        const QByteArray plain = write("plain.exe", readFile(QStringLiteral(FIXTURE_UNVERSIONED)));
        QVERIFY(WriteFileVersion(plain, "1.0.0.9").error.contains(u"no version record"));
        QCOMPARE(readFile(QFile::decodeName(plain)), readFile(QStringLiteral(FIXTURE_UNVERSIONED)));
    }

private:
    QByteArray write(const char *name, const QByteArray &bytes) {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        if (!writeFile(path, bytes))
            qFatal("cannot write the test file %s", qPrintable(path));
        return QFile::encodeName(path);
    }

    // A new file each time: rewriting one file over and over makes ext4 flush it to disk every time.
    QByteArray writeFresh(const QByteArray &bytes) {
        QFile::remove(m_dir.filePath(QStringLiteral("fresh%1").arg(m_fresh)));
        return write(qPrintable(QStringLiteral("fresh%1").arg(++m_fresh)), bytes);
    }

    QTemporaryDir m_dir;
    int m_fresh = 0;
};

QTEST_GUILESS_MAIN(FileVersionTest)
#include "FileVersionTest.moc"
