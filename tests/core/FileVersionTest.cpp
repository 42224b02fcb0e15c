#include "core/FileVersion.h"

#include "ElfImage.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace {

const QByteArray SignatureBytes("\xBD\x04\xEF\xFE", 4);

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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
        QTest::newRow("built 1.0.0.8") << readAll(QStringLiteral(FIXTURE_V1008)) << QByteArray("1.0.0.8");
        QTest::newRow("built 2.10.3.0") << readAll(QStringLiteral(FIXTURE_V21030)) << QByteArray("2.10.3.0");
        QTest::newRow("built without record") << readAll(QStringLiteral(FIXTURE_UNVERSIONED)) << QByteArray();
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
        QTest::newRow("text file") << QByteArray("#!/bin/sh\necho hello\n");
        QTest::newRow("ELF magic only") << QByteArray("\x7F\x45\x4C\x46", 4);
        QByteArray badClass = imageWith(good).build();
        badClass[4] = 3;
        QTest::newRow("unknown ELF class") << badClass;
        QByteArray flipped = readAll(QStringLiteral(FIXTURE_V1008));
        flipped[flipped.indexOf(SignatureBytes)] = 0;
        QTest::newRow("built, signature damaged") << flipped;
        QTest::newRow("record in the wrong byte order") << imageWith(good, true, true).build();
        QTest::newRow("section shorter than the record") << imageWith(good.left(48)).build();
        damaged("section size says short", [](ElfImage &i) { i.sections[2].size = 48; });
        damaged("record section without file data", [](ElfImage &i) { i.sections[2].type = 8; });
        damaged("longer section name", [](ElfImage &i) { i.sections[2].name = ".fileversion2"; });
        damaged("record offset past the end", [](ElfImage &i) { i.sections[2].offset = 1'000'000; });
        damaged("record offset wraps around", [](ElfImage &i) { i.sections[2].offset = ~quint64(0) - 8; });
        damaged("name offset past the strings", [](ElfImage &i) { i.sections[2].nameOffset = 0xFFFFFFF0u; });
        damaged("section table past the end", [](ElfImage &i) { i.shoff = 10'000'000; });
        damaged("section table offset wraps", [](ElfImage &i) { i.shoff = ~quint64(0) - 100; });
        damaged("huge section count", [](ElfImage &i) { i.shnum = 0xFEFF; });
        damaged("string table index one past", [](ElfImage &i) { i.shstrndx = 6; });
        damaged("string table without file data", [](ElfImage &i) { i.shstrndx = 2; });
        damaged("section entries too small", [](ElfImage &i) { i.shentsize = 16; });
        damaged("section entries of size 0", [](ElfImage &i) { i.shentsize = 0; });
    }
    void emptyForDamagedFiles() {
        QFETCH(QByteArray, bytes);
        QCOMPARE(ReadFileVersion(write("damaged", bytes)), QByteArray());
    }

    // The extended count sits in the null section, which must be read before the count is checked
    // against the file's length.
    void boundsExtendedSectionCount() {
        ElfImage image = imageWithVersion(0x00010000, 8);
        image.extendedNumbering = true;
        QByteArray bytes = image.build();
        const qsizetype countField = bytes.size() - 6 * 64 + 32;
        QCOMPARE(bytes.mid(countField, 8), QByteArray("\x06\0\0\0\0\0\0\0", 8));
        for (const QByteArray &count : {QByteArray("\0\0\0\0\0\0\0\x10", 8),
                                        QByteArray("\x07\0\0\0\0\0\0\0", 8), QByteArray(8, '\0')}) {
            bytes.replace(countField, 8, count);
            QCOMPARE(ReadFileVersion(write("extended", bytes)), QByteArray());
        }
    }

    void missingAndOddPaths() {
        QCOMPARE(ReadFileVersion(QFile::encodeName(m_dir.filePath(QStringLiteral("missing.exe")))),
                 QByteArray());
        QCOMPARE(ReadFileVersion(QFile::encodeName(m_dir.path())), QByteArray());
        QCOMPARE(ReadFileVersion(QByteArray()), QByteArray());
        QCOMPARE(ReadFileVersion("/dev/null"), QByteArray());
        const QString missing = m_dir.filePath(QStringLiteral("missing.exe"));
        QVERIFY(WriteFileVersion(QFile::encodeName(missing), "1.0.0.9").error.startsWith(u"cannot read"));
        QVERIFY(!QFile::exists(missing));
    }

    // The linker puts the section header table last, so every cut loses the record's header.
    void emptyForEveryTruncation() {
        const QByteArray whole = readAll(QStringLiteral(FIXTURE_V21030));
        QFile file(QFile::decodeName(write("cut.exe", whole)));
        QVERIFY(file.open(QIODevice::ReadWrite));
        for (qsizetype length = whole.size() - 1; length >= 0;) {
            QVERIFY(file.resize(length));
            QVERIFY2(ReadFileVersion(QFile::encodeName(file.fileName())).isEmpty(),
                     qPrintable(QString::number(length)));
            // Every length over the tail (headers, string tables), sampled over the rest.
            length -= length > whole.size() - 3000 || length < 200 ? 1 : 37;
        }
    }

    // Random damage gives either nothing or a well-formed version, never a crash or a read outside
    // the file (the sanitizer build runs this too).
    void survivesRandomDamage() {
        const QRegularExpression wellFormed(QStringLiteral("^\\d{1,5}\\.\\d{1,5}\\.\\d{1,5}\\.\\d{1,5}$"));
        QRandomGenerator random(20240611);
        const std::vector<QByteArray> originals{readAll(QStringLiteral(FIXTURE_V1008)),
                                                imageWithVersion(0x00020001, 3, false).build(),
                                                imageWithVersion(0x00020001, 3, true, true).build()};
        int stillRead = 0;
        for (int round = 0; round < 1500; ++round) {
            QByteArray bytes = originals[std::size_t(round) % originals.size()];
            for (int flips = 1 + random.bounded(8); flips > 0; --flips) {
                // Mostly the ELF header and the section table, where offsets and counts live.
                const qsizetype at =
                    random.bounded(3) == 0
                        ? random.bounded(64)
                        : bytes.size() - 1 - random.bounded(int(qMin<qsizetype>(2600, bytes.size())));
                bytes[at] = char(random.bounded(256));
            }
            if (random.bounded(4) == 0)
                bytes.truncate(random.bounded(int(bytes.size())));
            const QByteArray version = ReadFileVersion(writeFresh(bytes));
            QVERIFY2(version.isEmpty() || wellFormed.match(QString::fromLatin1(version)).hasMatch(),
                     version.constData());
            stillRead += version.isEmpty() ? 0 : 1;
        }
        QVERIFY(stillRead > 0); // damage that misses what the reader looks at leaves the version
    }

    void writeChangesOnlyTheVersionWords() {
        const QByteArray original = readAll(QStringLiteral(FIXTURE_V1008));
        const QByteArray path = write("launcher.exe", original);
        const QString name = QFile::decodeName(path);
        QVERIFY(QFile::setPermissions(name, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner | QFileDevice::ExeGroup));
        const QFileDevice::Permissions permissions = QFile::permissions(name);

        const WriteFileVersionResult result = WriteFileVersion(path, "1.0.0.9");
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(ReadFileVersion(path), QByteArray("1.0.0.9"));
        const QByteArray written = readAll(name);
        const qsizetype record = original.indexOf(SignatureBytes);
        const QByteArray words("\x00\x00\x01\x00\x09\x00\x00\x00", 8);
        QCOMPARE(written, original.left(record + 8) + words + words + original.mid(record + 24));
        QCOMPARE(QFile::permissions(name), permissions);
        QCOMPARE(QProcess::execute(name, {}), 0);

        // Through a link the target is rewritten and the link stays a link.
        const QString link = m_dir.filePath(QStringLiteral("link.exe"));
        QVERIFY(QFile::link(name, link));
        QVERIFY(WriteFileVersion(QFile::encodeName(link), "65535.65535.0.0").ok);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(ReadFileVersion(path), QByteArray("65535.65535.0.0"));

        for (const bool big : {true, false}) {
            const QByteArray image = write("image", imageWithVersion(0x00010000, 8, !big, big).build());
            QVERIFY(WriteFileVersion(image, "4.3.2.1").ok);
            QCOMPARE(ReadFileVersion(image), QByteArray("4.3.2.1"));
        }
    }

    void writeRefusesAndKeepsTheFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<QString>("error");
        const QString v1008 = QStringLiteral(FIXTURE_V1008), bad = QStringLiteral("is not a version");
        const char *versions[] = {
            "",         "1.0.0",    "1.0.0.8.1", "1..0.8",   "1.0.0.65536", "1.0.0.000001",
            "-1.0.0.8", "+1.0.0.8", "1.0.0. 8",  "0x1.0.0.8"};
        for (const char *version : versions)
            QTest::addRow("version \"%s\"", version) << v1008 << QByteArray(version) << bad;
        QTest::newRow("no record") << QStringLiteral(FIXTURE_UNVERSIONED) << QByteArray("1.0.0.9")
                                   << QStringLiteral("no version record");
        QTest::newRow("not a program")
            << QString() << QByteArray("1.0.0.9") << QStringLiteral("no version record");
    }
    void writeRefusesAndKeepsTheFile() {
        QFETCH(QString, file);
        QFETCH(QByteArray, version);
        QFETCH(QString, error);
        const QByteArray original = file.isEmpty() ? QByteArray("not an executable") : readAll(file);
        const QByteArray path = write("game.exe", original);
        const WriteFileVersionResult result = WriteFileVersion(path, version);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(error), qPrintable(result.error));
        QCOMPARE(readAll(QFile::decodeName(path)), original);
    }

private:
    QByteArray write(const char *name, const QByteArray &bytes) {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
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
