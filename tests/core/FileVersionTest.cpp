#include "core/FileVersion.h"

#include "ElfImage.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

namespace {

const QByteArray SignatureBytes("\xBD\x04\xEF\xFE", 4);
const QByteArray ElfMagic("\x7F\x45\x4C\x46", 4);

QByteArray readAll(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// A record section with the given version among a few ordinary ones.
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
    void init() {
        m_dir.emplace();
        QVERIFY(m_dir->isValid());
    }

    void readsBuiltRecords_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("version");
        QTest::newRow("1.0.0.8") << QStringLiteral(FIXTURE_V1008) << QByteArray("1.0.0.8");
        QTest::newRow("2.10.3.0") << QStringLiteral(FIXTURE_V21030) << QByteArray("2.10.3.0");
        QTest::newRow("no record") << QStringLiteral(FIXTURE_UNVERSIONED) << QByteArray();
    }
    void readsBuiltRecords() {
        QFETCH(QString, path);
        QFETCH(QByteArray, version);
        QCOMPARE(ReadFileVersion(QFile::encodeName(path)), version);
    }

    void readsEveryElfLayout_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("version");
        const quint32 ms = (65535u << 16) | 0;
        const quint32 ls = (12u << 16) | 7;
        QTest::newRow("64-bit little-endian")
            << imageWithVersion(ms, ls).build() << QByteArray("65535.0.12.7");
        QTest::newRow("64-bit big-endian")
            << imageWithVersion(ms, ls, true, true).build() << QByteArray("65535.0.12.7");
        QTest::newRow("32-bit little-endian")
            << imageWithVersion(ms, ls, false).build() << QByteArray("65535.0.12.7");
        QTest::newRow("32-bit big-endian")
            << imageWithVersion(ms, ls, false, true).build() << QByteArray("65535.0.12.7");

        QTest::newRow("file version, not product version")
            << imageWith(ElfImage::record(0x00070008, 0x00090000, false, 0xFEEF04BDu, 0x0001000200030004ull))
                   .build()
            << QByteArray("7.8.9.0");

        ElfImage extended = imageWithVersion(0x00030001, 0x00040002);
        extended.extendedNumbering = true;
        QTest::newRow("extended numbering") << extended.build() << QByteArray("3.1.4.2");

        // Past the first batch of section headers the reader takes.
        ElfImage many = imageWithVersion(0x00010000, 0x00000001);
        for (int i = 0; i < 200; ++i)
            many.sections.insert(many.sections.begin(),
                                 {".text." + QByteArray::number(i), 1, QByteArray(60, 'x'), {}, {}, {}});
        QTest::newRow("record after 200 sections") << many.build() << QByteArray("1.0.0.1");

        // A string table too large to read at once: names are read one by one.
        ElfImage longNames = imageWithVersion(0x00010000, 0x00000003);
        longNames.sections.insert(longNames.sections.begin(),
                                  {"." + QByteArray(70'000, 'n'), 1, "x", {}, {}, {}});
        QTest::newRow("large string table") << longNames.build() << QByteArray("1.0.0.3");
    }
    void readsEveryElfLayout() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, version);
        QCOMPARE(ReadFileVersion(write("image", bytes)), version);
    }

    void emptyForDamagedFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = ElfImage::record(0x00010000, 0x00000008, false);

        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("text file") << QByteArray("#!/bin/sh\necho hello\n");
        QTest::newRow("ELF magic only") << ElfMagic;
        QByteArray badClass = imageWith(good).build();
        badClass[4] = 3;
        QTest::newRow("unknown ELF class") << badClass;
        QByteArray badData = imageWith(good).build();
        badData[5] = 0;
        QTest::newRow("unknown byte order") << badData;

        QTest::newRow("bad signature")
            << imageWith(ElfImage::record(0x00010000, 8, false, 0xFEEF04BCu)).build();
        QTest::newRow("record in the wrong byte order") << imageWith(good, true, true).build();
        QTest::newRow("section shorter than the record") << imageWith(good.left(48)).build();
        {
            ElfImage image = imageWith(good);
            image.sections[2].size = 48;
            QTest::newRow("section size says short") << image.build();
        }
        {
            ElfImage image = imageWith(good);
            image.sections[2].type = 8;
            QTest::newRow("record section without file data") << image.build();
        }
        {
            ElfImage image = imageWith(good);
            image.sections[2].name = ".fileversion2";
            QTest::newRow("longer section name") << image.build();
        }
        {
            ElfImage image = imageWith(good);
            image.sections[2].name = ".fileversio";
            QTest::newRow("shorter section name") << image.build();
        }
        {
            ElfImage image = imageWith(good);
            image.sections[2].offset = 1'000'000;
            QTest::newRow("record offset past the end") << image.build();
        }
        {
            ElfImage image = imageWith(good);
            image.sections[2].offset = ~quint64(0) - 8;
            QTest::newRow("record offset wraps around") << image.build();
        }
        {
            ElfImage image = imageWith(good);
            image.sections[2].nameOffset = 0xFFFFFFF0u;
            QTest::newRow("name offset past the string table") << image.build();
        }
        {
            ElfImage image = imageWith(good);
            image.shoff = 10'000'000;
            QTest::newRow("section table past the end") << image.build();
        }
        {
            ElfImage image = imageWith(good);
            image.shoff = ~quint64(0) - 100;
            QTest::newRow("section table offset wraps around") << image.build();
        }
        {
            ElfImage image = imageWith(good);
            image.shoff = 0;
            QTest::newRow("no section table") << image.build();
        }
        {
            ElfImage image = imageWith(good);
            image.shnum = 0xFEFF;
            QTest::newRow("huge section count") << image.build();
        }
        {
            ElfImage image = imageWith(good);
            image.shstrndx = 6;
            QTest::newRow("string table index one past the end") << image.build();
        }
        {
            ElfImage image = imageWith(good);
            image.shstrndx = 0xFEFF;
            QTest::newRow("string table index far out of range") << image.build();
        }
        {
            ElfImage image = imageWith(good);
            image.shentsize = 16;
            QTest::newRow("section entries too small") << image.build();
        }
        {
            ElfImage image = imageWith(good);
            image.shentsize = 0;
            QTest::newRow("section entries of size 0") << image.build();
        }
        {
            ElfImage image = imageWith(good);
            image.shstrndx = 2; // the NOBITS section
            QTest::newRow("string table without file data") << image.build();
        }
    }
    void emptyForDamagedFiles() {
        QFETCH(QByteArray, bytes);
        QCOMPARE(ReadFileVersion(write("damaged", bytes)), QByteArray());
    }

    // The extended count sits in the null section, which the reader must take from the file
    // before it can check the count against the file's length.
    void boundsExtendedSectionCount() {
        ElfImage image = imageWithVersion(0x00010000, 8);
        image.extendedNumbering = true;
        QByteArray bytes = image.build();
        const qsizetype countField = bytes.size() - 6 * 64 + 32;
        QCOMPARE(bytes.mid(countField, 8), QByteArray("\x06\0\0\0\0\0\0\0", 8));
        QCOMPARE(ReadFileVersion(write("extended", bytes)), QByteArray("1.0.0.8"));

        const std::vector<QByteArray> counts{QByteArray("\0\0\0\0\0\0\0\x10", 8), // 2^60
                                             QByteArray("\x07\0\0\0\0\0\0\0", 8), QByteArray(8, '\0')};
        for (const QByteArray &count : counts) {
            bytes.replace(countField, 8, count);
            QCOMPARE(ReadFileVersion(write("extended", bytes)), QByteArray());
        }
    }

    void emptyForMissingAndOddPaths() {
        QCOMPARE(ReadFileVersion(QFile::encodeName(m_dir->filePath(QStringLiteral("missing.exe")))),
                 QByteArray());
        QCOMPARE(ReadFileVersion(QFile::encodeName(m_dir->path())), QByteArray());
        QCOMPARE(ReadFileVersion(QByteArray()), QByteArray());
        QCOMPARE(ReadFileVersion("/dev/null"), QByteArray());
    }

    void emptyForUnreadableFile() {
        const QByteArray path = write("locked.exe", readAll(QStringLiteral(FIXTURE_V1008)));
        QVERIFY(QFile::setPermissions(QFile::decodeName(path), QFileDevice::WriteOwner));
        QFile probe(QFile::decodeName(path));
        if (probe.open(QIODevice::ReadOnly))
            QSKIP("permissions do not stop this user (root) from reading");
        QCOMPARE(ReadFileVersion(path), QByteArray());
    }

    void emptyForBuiltExecutableWithBrokenSignature() {
        QByteArray bytes = readAll(QStringLiteral(FIXTURE_V1008));
        const qsizetype at = bytes.indexOf(SignatureBytes);
        QVERIFY(at > 0);
        QCOMPARE(bytes.lastIndexOf(SignatureBytes), at);
        bytes[at] = char(~bytes[at]);
        QCOMPARE(ReadFileVersion(write("flipped.exe", bytes)), QByteArray());
    }

    // The linker puts the section header table last, so every cut loses the record's header.
    void emptyForEveryTruncation() {
        const QByteArray whole = readAll(QStringLiteral(FIXTURE_V21030));
        QVERIFY(whole.size() > 4096);
        const QByteArray path = write("cut.exe", whole);
        QFile file(QFile::decodeName(path));
        QVERIFY(file.open(QIODevice::ReadWrite));
        int checked = 0;
        for (qsizetype length = whole.size() - 1; length >= 0;) {
            QVERIFY(file.resize(length));
            QVERIFY2(ReadFileVersion(path).isEmpty(), qPrintable(QString::number(length)));
            ++checked;
            // Every length over the tail (headers, string tables), sampled over the rest.
            length -= length > whole.size() - 3000 || length < 200 ? 1 : 37;
        }
        QVERIFY(checked > 3000);
        QVERIFY(file.resize(0));
        QVERIFY(file.write(whole) == whole.size());
        file.close();
        QCOMPARE(ReadFileVersion(path), QByteArray("2.10.3.0"));
    }

    // Random damage must give either nothing or a well-formed version, and never a crash or a
    // read outside the file (the sanitizer build runs this too).
    void survivesRandomDamage() {
        const QRegularExpression wellFormed(QStringLiteral("^\\d{1,5}\\.\\d{1,5}\\.\\d{1,5}\\.\\d{1,5}$"));
        QRandomGenerator random(20240611);
        const std::vector<QByteArray> originals{readAll(QStringLiteral(FIXTURE_V1008)),
                                                imageWithVersion(0x00020001, 3, false).build(),
                                                imageWithVersion(0x00020001, 3, true, true).build()};
        int stillRead = 0;
        for (int round = 0; round < 1500; ++round) {
            QByteArray bytes = originals[std::size_t(round) % originals.size()];
            const int flips = 1 + random.bounded(8);
            for (int f = 0; f < flips; ++f) {
                // Mostly the ELF header and the section table, where offsets and counts live.
                const qsizetype headerSpan = qMin<qsizetype>(64, bytes.size());
                const qsizetype at =
                    random.bounded(3) == 0
                        ? random.bounded(int(headerSpan))
                        : bytes.size() - 1 - random.bounded(int(qMin<qsizetype>(2600, bytes.size())));
                bytes[at] = char(random.bounded(256));
            }
            if (random.bounded(4) == 0)
                bytes.truncate(random.bounded(int(bytes.size())));
            const QByteArray version = ReadFileVersion(writeFresh(bytes));
            if (!version.isEmpty()) {
                QVERIFY2(wellFormed.match(QString::fromLatin1(version)).hasMatch(), version.constData());
                ++stillRead;
            }
        }
        // Damage that misses everything the reader looks at leaves the version readable.
        QVERIFY(stillRead > 0);

        for (int round = 0; round < 300; ++round) {
            QByteArray bytes(random.bounded(4096), Qt::Uninitialized);
            for (char &c : bytes)
                c = char(random.bounded(256));
            if (bytes.size() >= 6) {
                bytes.replace(0, 4, ElfMagic);
                bytes[4] = char(1 + random.bounded(2));
                bytes[5] = char(1 + random.bounded(2));
            }
            QCOMPARE(ReadFileVersion(writeFresh(bytes)), QByteArray());
        }
    }

    void writeRoundTrip() {
        const QByteArray original = readAll(QStringLiteral(FIXTURE_V1008));
        const QByteArray path = write("launcher.exe", original);
        const QString name = QFile::decodeName(path);
        QVERIFY(QFile::setPermissions(name, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                                QFileDevice::ExeGroup));
        const QFileDevice::Permissions permissions = QFile::permissions(name);

        const WriteFileVersionResult result = WriteFileVersion(path, "1.0.0.9");
        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(result.error.isEmpty());
        QCOMPARE(ReadFileVersion(path), QByteArray("1.0.0.9"));

        // Exactly the file and product version words changed.
        const QByteArray written = readAll(name);
        QCOMPARE(written.size(), original.size());
        const qsizetype record = original.indexOf(SignatureBytes);
        for (qsizetype i = 0; i < original.size(); ++i) {
            if (i >= record + 8 && i < record + 24)
                continue;
            if (written[i] != original[i])
                QFAIL(qPrintable(QStringLiteral("byte %1 changed").arg(i)));
        }
        const QByteArray words("\x00\x00\x01\x00\x09\x00\x00\x00", 8);
        QCOMPARE(written.mid(record + 8, 8), words);
        QCOMPARE(written.mid(record + 16, 8), words);

        QCOMPARE(QFile::permissions(name), permissions);
        QProcess run;
        run.start(name, {});
        QVERIFY(run.waitForFinished(10000));
        QCOMPARE(run.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.exitCode(), 0);

        QVERIFY(WriteFileVersion(path, "65535.65535.0.0").ok);
        QCOMPARE(ReadFileVersion(path), QByteArray("65535.65535.0.0"));

        // Through a link the target is rewritten and the link stays a link.
        const QString link = m_dir->filePath(QStringLiteral("link.exe"));
        QVERIFY(QFile::link(name, link));
        QVERIFY(WriteFileVersion(QFile::encodeName(link), "3.0.0.1").ok);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(ReadFileVersion(path), QByteArray("3.0.0.1"));
    }

    void writeKeepsByteOrder_data() {
        QTest::addColumn<bool>("wide");
        QTest::addColumn<bool>("bigEndian");
        QTest::newRow("32-bit big-endian") << false << true;
        QTest::newRow("64-bit big-endian") << true << true;
        QTest::newRow("32-bit little-endian") << false << false;
    }
    void writeKeepsByteOrder() {
        QFETCH(bool, wide);
        QFETCH(bool, bigEndian);
        const QByteArray path = write("image", imageWithVersion(0x00010000, 8, wide, bigEndian).build());
        const WriteFileVersionResult result = WriteFileVersion(path, "4.3.2.1");
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(ReadFileVersion(path), QByteArray("4.3.2.1"));
    }

    void writeRefusesBadVersions_data() {
        QTest::addColumn<QByteArray>("version");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("three parts") << QByteArray("1.0.0");
        QTest::newRow("five parts") << QByteArray("1.0.0.8.1");
        QTest::newRow("empty part") << QByteArray("1..0.8");
        QTest::newRow("trailing dot") << QByteArray("1.0.0.8.");
        QTest::newRow("above 65535") << QByteArray("1.0.0.65536");
        QTest::newRow("long digits") << QByteArray("1.0.0.000001");
        QTest::newRow("negative") << QByteArray("-1.0.0.8");
        QTest::newRow("plus sign") << QByteArray("+1.0.0.8");
        QTest::newRow("blank") << QByteArray("1.0.0. 8");
        QTest::newRow("letters") << QByteArray("a.b.c.d");
        QTest::newRow("hex") << QByteArray("0x1.0.0.8");
    }
    void writeRefusesBadVersions() {
        QFETCH(QByteArray, version);
        const QByteArray original = readAll(QStringLiteral(FIXTURE_V1008));
        const QByteArray path = write("game.exe", original);
        const WriteFileVersionResult result = WriteFileVersion(path, version);
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
        QCOMPARE(readAll(QFile::decodeName(path)), original);
    }

    void writeRefusesFilesWithoutRecord() {
        QByteArray flipped = readAll(QStringLiteral(FIXTURE_V1008));
        flipped[flipped.indexOf(SignatureBytes)] = 0;
        const std::vector<QByteArray> contents{readAll(QStringLiteral(FIXTURE_UNVERSIONED)), flipped,
                                               QByteArray("not an executable"), QByteArray()};
        for (const QByteArray &content : contents) {
            const QByteArray path = write("plain.exe", content);
            const WriteFileVersionResult result = WriteFileVersion(path, "1.0.0.9");
            QVERIFY(!result.ok);
            QVERIFY(result.error.contains(QStringLiteral("no version record")));
            QCOMPARE(readAll(QFile::decodeName(path)), content);
        }

        const WriteFileVersionResult missing =
            WriteFileVersion(QFile::encodeName(m_dir->filePath(QStringLiteral("missing.exe"))), "1.0.0.9");
        QVERIFY(!missing.ok);
        QVERIFY(missing.error.contains(QStringLiteral("cannot read")));
        QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("missing.exe"))));
    }

private:
    QByteArray write(const char *name, const QByteArray &bytes) {
        const QString path = m_dir->filePath(QString::fromLatin1(name));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write the test file %s", qPrintable(path));
        return QFile::encodeName(path);
    }

    // A new file each time: rewriting one file over and over makes ext4 flush it to disk every time.
    QByteArray writeFresh(const QByteArray &bytes) {
        if (!m_fresh.isEmpty())
            QFile::remove(m_fresh);
        m_fresh = m_dir->filePath(QStringLiteral("fresh%1").arg(++m_freshCount));
        return write(qPrintable(QFileInfo(m_fresh).fileName()), bytes);
    }

    std::optional<QTemporaryDir> m_dir;
    QString m_fresh;
    int m_freshCount = 0;
};

QTEST_GUILESS_MAIN(FileVersionTest)
#include "FileVersionTest.moc"
