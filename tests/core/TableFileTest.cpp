#include "core/TableFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Little-endian 32-bit words, spelled out here rather than taken from the codec under test.
QByteArray le32(quint32 value) {
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
}

QByteArray utf16le(const char16_t *text, int units) {
    QByteArray out;
    for (int i = 0; i < units; ++i) {
        out.append(static_cast<char>(text[i] & 0xFF));
        out.append(static_cast<char>(text[i] >> 8));
    }
    return out;
}

// A grid whose cells all differ, so that a mix-up of rows and columns shows.
StringGrid sampleGrid() {
    StringGrid grid(3, 2);
    grid.setCell(0, 0, QStringLiteral("a@b.c"));
    grid.setCell(1, 0, QStringLiteral("x"));
    grid.setCell(2, 0, QStringLiteral("Y"));
    grid.setCell(0, 1, QString());
    grid.setCell(1, 1, QStringLiteral("\u00e9\u4e2d"));
    grid.setCell(2, 1, QStringLiteral("last"));
    return grid;
}

} // namespace

class TableFileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void gridKeepsRowsAcrossColumnChanges() {
        StringGrid grid;
        grid.setRowCount(2);
        grid.addColumns(2);
        QVERIFY(grid.setCell(1, 1, QStringLiteral("kept")));
        QVERIFY(!grid.setCell(2, 0, QStringLiteral("outside")));
        QVERIFY(!grid.setCell(0, 2, QStringLiteral("outside")));
        QVERIFY(!grid.setCell(-1, 0, QStringLiteral("outside")));
        QCOMPARE(grid.cell(2, 0), QString());
        QCOMPARE(grid.cell(-1, -1), QString());

        grid.setRowCount(3);
        QCOMPARE(grid.cell(1, 1), QStringLiteral("kept"));
        grid.setRowCount(1);
        QCOMPARE(grid.cell(1, 1), QString());
        grid.setRowCount(2);
        QCOMPARE(grid.cell(1, 1), QString()); // cut cells do not come back

        grid.removeAllColumns();
        QCOMPARE(grid.columnCount(), 0);
        QCOMPARE(grid.rowCount(), 2);
        grid.addColumns(1);
        QCOMPARE(grid.cell(0, 1), QString());

        grid.ensureSize(3, 1);
        QCOMPARE(grid.columnCount(), 3);
        QCOMPARE(grid.rowCount(), 2); // never shrinks
        grid.setRowCount(-5);
        QCOMPARE(grid.rowCount(), 0);
    }

    void encodesColumnByColumn() {
        StringGrid grid(2, 2);
        grid.setCell(0, 0, QStringLiteral("A"));
        grid.setCell(0, 1, QStringLiteral("B"));
        grid.setCell(1, 0, QStringLiteral("C"));
        const QByteArray expected = QByteArray::fromHex("02000000"
                                                        "02000000"
                                                        "01000000"
                                                        "4100"
                                                        "01000000"
                                                        "4200"
                                                        "01000000"
                                                        "4300"
                                                        "00000000");
        QCOMPARE(encodeTable(grid), expected);
        QCOMPARE(decodeTable(expected), grid);
    }

    void defaultTablesAreByteExact_data() {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("column0");
        QTest::addColumn<QString>("flagCell"); // cell (2, 0)
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("saved login, 22 bytes")
            << 3 << 1 << QStringList{} << QStringLiteral("N")
            << QByteArray::fromHex("03000000010000000000000000000000010000004E00");

        QByteArray config = le32(10) + le32(12);
        config += le32(6) + utf16le(u"Sounds", 6);
        config += le32(3) + utf16le(u"Yes", 3);
        for (int i = 0; i < 10 + 9 * 12; ++i)
            config += le32(0);
        QTest::newRow("settings, 506 bytes")
            << 10 << 12 << QStringList{QStringLiteral("Sounds"), QStringLiteral("Yes")} << QString()
            << config;
    }

    void defaultTablesAreByteExact() {
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(QStringList, column0);
        QFETCH(QString, flagCell);
        QFETCH(QByteArray, expected);

        StringGrid grid(columns, rows);
        for (int r = 0; r < column0.size(); ++r)
            grid.setCell(0, r, column0.at(r));
        if (!flagCell.isEmpty())
            grid.setCell(2, 0, flagCell);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("table.dat"));
        QVERIFY(WriteTableFile(grid, path).ok);
        QCOMPARE(fileBytes(path), expected);
        QCOMPARE(QFileInfo(path).size(), expected.size());

        StringGrid back;
        QVERIFY(ReadTableFile(back, path).ok);
        QCOMPARE(back, grid);
    }

    void roundTripKeepsEveryCodeUnit() {
        StringGrid grid = sampleGrid();
        // A lone surrogate and the highest code unit are plain UTF-16 units for the file.
        grid.setCell(1, 0, QString(QChar(0xD800)) + QChar(0xFFFF));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.dat"));
        QVERIFY(WriteTableFile(grid, path).ok);
        StringGrid back;
        QVERIFY(ReadTableFile(back, path).ok);
        QCOMPARE(back, grid);
    }

    void decodeAcceptsOddButWholeTables_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("cell00");

        QTest::newRow("no columns, no rows") << le32(0) + le32(0) << 0 << 0 << QString();
        QTest::newRow("rows but no columns") << le32(0) + le32(7) << 0 << 7 << QString();
        QTest::newRow("columns but no rows") << le32(5) + le32(0) << 5 << 0 << QString();
        QTest::newRow("bytes after the last cell are ignored")
            << le32(1) + le32(1) + le32(1) + utf16le(u"Z", 1) + QByteArray("junk") << 1 << 1
            << QStringLiteral("Z");
        QTest::newRow("cut at the first NUL")
            << le32(1) + le32(1) + le32(4) + utf16le(u"ab\0c", 4) << 1 << 1 << QStringLiteral("ab");
        QTest::newRow("NUL first gives an empty cell")
            << le32(1) + le32(1) + le32(2) + utf16le(u"\0x", 2) << 1 << 1 << QString();
        QTest::newRow("largest dimensions")
            << le32(MaxTableColumns) + le32(0) << MaxTableColumns << 0 << QString();
    }

    void decodeAcceptsOddButWholeTables() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(QString, cell00);
        const std::optional<StringGrid> grid = decodeTable(bytes);
        QVERIFY(grid);
        QCOMPARE(grid->columnCount(), columns);
        QCOMPARE(grid->rowCount(), rows);
        QCOMPARE(grid->cell(0, 0), cell00);
    }

    void damagedFilesEndInTheMessageAndChangeNothing_data() {
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("empty") << QByteArray();
        QTest::newRow("half a header") << QByteArray::fromHex("03000000010000");
        QTest::newRow("header without cells") << le32(3) + le32(1);
        QTest::newRow("negative (huge unsigned) column count") << le32(0xFFFFFFFF) + le32(1) + le32(0);
        QTest::newRow("column count above the limit") << le32(MaxTableColumns + 1) + le32(0);
        QTest::newRow("negative row count") << le32(1) + le32(0x80000000) + le32(0);
        QTest::newRow("row count above the limit") << le32(0) + le32(MaxTableRows + 1);
        QTest::newRow("more cells than bytes") << le32(4096) + le32(4096) + le32(0) + le32(0);
        QTest::newRow("huge text length") << le32(1) + le32(1) + le32(0x7FFFFFFF) + utf16le(u"ab", 2);
        QTest::newRow("negative text length") << le32(1) + le32(1) + le32(0xFFFFFFFE);
        QTest::newRow("text one unit past the end") << le32(1) + le32(1) + le32(3) + utf16le(u"ab", 2);
        QTest::newRow("text with an odd byte short") << le32(1) + le32(1) + le32(1) + QByteArray("A");
        QTest::newRow("second cell missing") << le32(1) + le32(2) + le32(1) + utf16le(u"A", 1);
    }

    void damagedFilesEndInTheMessageAndChangeNothing() {
        QFETCH(QByteArray, bytes);
        QVERIFY(!decodeTable(bytes));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.dat"));
        QVERIFY(writeBytes(path, bytes));
        const QDateTime modified = QFileInfo(path).lastModified();

        StringGrid grid = sampleGrid();
        const TableFileResult result = ReadTableFile(grid, path);
        QVERIFY(!result.ok);
        QCOMPARE(result.error, QStringLiteral("Can't open config file!"));
        QCOMPARE(grid, sampleGrid());
        QCOMPARE(fileBytes(path), bytes);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
    }

    void thingsThatAreNotTableFilesAreRefused_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << QStringLiteral("missing");
        QTest::newRow("folder") << QStringLiteral("folder");
        QTest::newRow("oversized") << QStringLiteral("oversized");
        QTest::newRow("device") << QStringLiteral("device");
    }

    void thingsThatAreNotTableFilesAreRefused() {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("Quillbarrow.dat"));
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Quillbarrow.dat")));
        } else if (kind == QLatin1String("oversized")) {
            // A valid table whose padding makes the file one byte too long.
            QByteArray bytes = le32(1) + le32(1) + le32(0);
            bytes.append(QByteArray(MaxTableFileBytes + 1 - bytes.size(), 'x'));
            QVERIFY(writeBytes(path, bytes));
        } else if (kind == QLatin1String("device")) {
            path = QStringLiteral("/dev/zero"); // endless zeros look like empty tables
        }
        StringGrid grid = sampleGrid();
        const TableFileResult result = ReadTableFile(grid, path);
        QVERIFY(!result.ok);
        QCOMPARE(result.error, QStringLiteral("Can't open config file!"));
        QCOMPARE(grid, sampleGrid());
    }

    // Every shortened copy of a valid file, and every single-byte change of it, either reads as a
    // whole table or ends in the message with the grid untouched. The sanitizer build runs this too.
    void truncatedAndMutatedFilesNeverHarm() {
        StringGrid grid(10, 12);
        grid.setCell(0, 0, QStringLiteral("Sounds"));
        grid.setCell(0, 1, QStringLiteral("Yes"));
        grid.setCell(4, 7, QStringLiteral("\u00fcber"));
        const QByteArray valid = encodeTable(grid);

        QTemporaryDir dir;
        int refused = 0;
        int accepted = 0;
        int files = 0;
        const auto check = [&](const QByteArray &bytes, bool mustFail) {
            // A new file each time: truncating one file over and over waits for the disk.
            const QString path = dir.filePath(QStringLiteral("config%1.dat").arg(++files));
            if (!writeBytes(path, bytes))
                return false;
            StringGrid target = sampleGrid();
            const TableFileResult result = ReadTableFile(target, path);
            if (mustFail && result.ok)
                return false;
            if (result.ok) {
                ++accepted;
                return target.columnCount() <= MaxTableColumns && target.rowCount() <= MaxTableRows &&
                       qint64(target.columnCount()) * target.rowCount() * 4 <= bytes.size();
            }
            ++refused;
            return result.error == TableReadError && target == sampleGrid() && fileBytes(path) == bytes;
        };

        for (qsizetype length = 0; length < valid.size(); ++length)
            QVERIFY2(check(valid.left(length), true), qPrintable(QStringLiteral("cut at %1").arg(length)));

        // Changed bytes are decoded in memory: the file path is the same as above.
        const auto checkDecoded = [&](const QByteArray &bytes) {
            const std::optional<StringGrid> decoded = decodeTable(bytes);
            if (!decoded) {
                ++refused;
                return true;
            }
            ++accepted;
            return decoded->columnCount() <= MaxTableColumns && decoded->rowCount() <= MaxTableRows &&
                   qint64(decoded->columnCount()) * decoded->rowCount() * 4 <= bytes.size();
        };
        const std::array<int, 6> replacements{0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF};
        for (qsizetype pos = 0; pos < valid.size(); ++pos) {
            for (const int replacement : replacements) {
                QByteArray bytes = valid;
                bytes[pos] = static_cast<char>(replacement);
                QVERIFY2(checkDecoded(bytes),
                         qPrintable(QStringLiteral("byte %1 := %2").arg(pos).arg(replacement)));
            }
        }

        // Several changes at once, reproducible; every twentieth goes through a file.
        QRandomGenerator random(20261206);
        for (int round = 0; round < 10000; ++round) {
            QByteArray bytes = valid.left(random.bounded(valid.size() + 1));
            for (int n = random.bounded(1, 6); n > 0 && !bytes.isEmpty(); --n)
                bytes[random.bounded(bytes.size())] = static_cast<char>(random.bounded(256));
            const bool ok = round % 20 == 0 ? check(bytes, false) : checkDecoded(bytes);
            QVERIFY2(ok, qPrintable(QStringLiteral("round %1").arg(round)));
        }
        QVERIFY(refused > 0);
        QVERIFY(accepted > 0);
    }

    void failedWriteKeepsTheOldFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.dat"));
        const StringGrid old(1, 1);
        QVERIFY(WriteTableFile(old, path).ok);
        const QByteArray oldBytes = fileBytes(path);

        // The file system refuses to let a file grow beyond 32 bytes: the new table (58) fails midway.
        struct rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved;
        small.rlim_cur = 32;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const TableFileResult result = WriteTableFile(sampleGrid(), path);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
        QCOMPARE(fileBytes(path), oldBytes);
        // No half-written temporary file is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("config.dat")});
    }

    void unwritablePlacesReportAndChangeNothing() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("config.dat")));
        QVERIFY(!WriteTableFile(sampleGrid(), dir.filePath(QStringLiteral("config.dat"))).ok);
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("config.dat"))).isDir());
        QVERIFY(!WriteTableFile(sampleGrid(), dir.filePath(QStringLiteral("no/such/folder/t.dat"))).ok);

        // A table too large to be read back is not written either.
        StringGrid huge(1, 1);
        huge.setCell(0, 0, QString(MaxTableFileBytes / 2, QLatin1Char('x')));
        const QString path = dir.filePath(QStringLiteral("big.dat"));
        QVERIFY(!WriteTableFile(huge, path).ok);
        QVERIFY(!QFileInfo::exists(path));
    }
};

QTEST_GUILESS_MAIN(TableFileTest)
#include "TableFileTest.moc"
