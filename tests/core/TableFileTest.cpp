#include "core/TableFile.h"

#include "FileFixtures.h"
#include "core/SavedLoginTable.h"
#include "core/Scramble.h"
#include "core/SettingsTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

using namespace FileFixtures;

namespace {

// UTF-16LE text spelled out here rather than taken from the codec under test.
QByteArray utf16le(const char16_t *text, int units) {
    QByteArray out;
    for (int i = 0; i < units; ++i)
        out.append(char(text[i] & 0xFF)).append(char(text[i] >> 8));
    return out;
}

// A grid whose cells all differ, so that a mix-up of rows and columns shows.
StringGrid sampleGrid() {
    StringGrid grid(3, 2);
    grid.setCell(0, 0, QStringLiteral("a@b.c"));
    grid.setCell(1, 0, QString(QChar(0xD800)) + QChar(0xFFFF)); // plain UTF-16 units for the file
    grid.setCell(1, 1, QStringLiteral("\u00e9\u4e2d"));
    grid.setCell(2, 1, QStringLiteral("last"));
    return grid;
}

} // namespace

class TableFileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(m_dir.emplace().isValid()); }

    // Worked by hand from the key "k4!R8@t2#W6$y1%P9^u3&E5*q7(L" (codes 107, 52, 33, ...).
    void scramblesAsByHand_data() {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("scrambled");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("letters") << QByteArray("abc") << QByteArray(")O;");
        QTest::newRow("tildes, the third at key '!'") << QByteArray("~~~") << QByteArray("j3 ");
        // A space takes the code no printable character reaches there: 32, or 126 at key '!'.
        QTest::newRow("spaces") << QByteArray("   ") << QByteArray("  ~");
        QTest::newRow("UTF-8 bytes rotate among 128..255")
            << QByteArray("\xC3\xA9") << QByteArray("\x8D\xBC");
        QTest::newRow("control characters stay") << QByteArray("\t\x7F") << QByteArray("\t\x7F");
    }
    void scramblesAsByHand() {
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, scrambled);
        QCOMPARE(ScrambleText(plain, ScrambleKey), scrambled);
        QCOMPARE(UnscrambleText(scrambled, ScrambleKey), plain);
        // An earlier launcher scrambled a space like a tilde (except at key '!'); that reads as a tilde.
        QCOMPARE(UnscrambleText("j3~", ScrambleKey), QByteArray("~~ "));
    }

    // Every byte at every key position (and past the key's end) comes back and stays in its class.
    void everyByteSurvives() {
        // Control codes stay as they are; printable and high codes stay printable and high.
        const auto kind = [](int code) { return code < 32 || code == 127 ? code : code < 127 ? 1000 : 2000; };
        for (int position = 0; position < ScrambleKey.size() + 2; ++position) {
            for (int code = 0; code < 256; ++code) {
                const QByteArray text = QByteArray(position, 'a') + char(code);
                const QByteArray scrambled = ScrambleText(text, ScrambleKey);
                QCOMPARE(UnscrambleText(scrambled, ScrambleKey), text);
                const int out = static_cast<unsigned char>(scrambled.back());
                QVERIFY2(kind(out) == kind(code),
                         qPrintable(QStringLiteral("%1 at %2").arg(code).arg(position)));
            }
        }
    }

    void encodesColumnByColumn() {
        StringGrid grid(2, 2);
        grid.setCell(0, 0, QStringLiteral("A"));
        grid.setCell(0, 1, QStringLiteral("B"));
        grid.setCell(1, 0, QStringLiteral("C"));
        const QByteArray expected = QByteArray::fromHex("0200000002000000"
                                                        "010000004100010000004200"
                                                        "010000004300"
                                                        "00000000");
        QCOMPARE(encodeTable(grid), expected);
        QCOMPARE(decodeTable(expected), grid);

        QVERIFY(WriteTableFile(sampleGrid(), path()).ok);
        StringGrid back;
        QVERIFY(ReadTableFile(back, path()).ok);
        QCOMPARE(back, sampleGrid());
    }

    // Odd but whole tables are read; anything else ends in the message with grid and file untouched.
    void readsWholeTablesOnly_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("read"); // columns x rows and cell (0, 0); "-": refused
        const auto row = [](const char *name, const QByteArray &bytes, const char *read = "-") {
            QTest::newRow(name) << bytes << QString::fromLatin1(read);
        };
        const QByteArray one = littleEndian(1) + littleEndian(1);
        row("no columns, no rows", littleEndian(0) + littleEndian(0), "0x0 ");
        row("bytes after the last cell", one + littleEndian(1) + utf16le(u"Z", 1) + "junk", "1x1 Z");
        row("cut at the first NUL", one + littleEndian(4) + utf16le(u"ab\0c", 4), "1x1 ab");
        row("largest dimensions", littleEndian(MaxTableColumns) + littleEndian(0), "4096x0 ");
        row("empty", QByteArray());
        row("one byte too large", one + littleEndian(0) + QByteArray(MaxTableFileBytes - 11, 'x'));
        row("header without cells", littleEndian(3) + littleEndian(1));
        row("negative column count", littleEndian(0xFFFFFFFF) + littleEndian(1) + littleEndian(0));
        row("row count above the limit", littleEndian(0) + littleEndian(MaxTableRows + 1));
        row("more cells than bytes",
            littleEndian(4096) + littleEndian(4096) + littleEndian(0) + littleEndian(0));
        row("huge text length", one + littleEndian(0x7FFFFFFF) + utf16le(u"ab", 2));
        row("negative text length", one + littleEndian(0xFFFFFFFE));
        row("text one unit past the end", one + littleEndian(3) + utf16le(u"ab", 2));
        row("second cell missing", littleEndian(1) + littleEndian(2) + littleEndian(1) + utf16le(u"A", 1));
    }
    void readsWholeTablesOnly() {
        QFETCH(QByteArray, bytes);
        QVERIFY(writeFile(path(), bytes));
        StringGrid grid = sampleGrid();
        const TableFileResult result = ReadTableFile(grid, path());
        QTEST(
            result.ok
                ? QStringLiteral("%1x%2 %3").arg(grid.columnCount()).arg(grid.rowCount()).arg(grid.cell(0, 0))
                : QStringLiteral("-"),
            "read");
        QVERIFY(result.ok || (result.error == TableReadError && grid == sampleGrid()));
        QCOMPARE(readFile(path()), bytes);
    }

    // Every shortened copy of a valid file and many damaged ones either read as a whole table or are
    // refused, never more. The sanitizer build runs this too.
    void truncatedAndMutatedTablesNeverHarm() {
        StringGrid grid(10, 12);
        grid.setCell(0, 0, QStringLiteral("Sounds"));
        grid.setCell(4, 7, QStringLiteral("\u00fcber"));
        const QByteArray valid = encodeTable(grid);
        for (qsizetype length = 0; length < valid.size(); ++length)
            QVERIFY2(!decodeTable(valid.left(length)), qPrintable(QString::number(length)));

        int refused = 0;
        QRandomGenerator random(20261206);
        for (int round = 0; round < 20000; ++round) {
            QByteArray bytes = round < 10000 ? valid : valid.left(random.bounded(valid.size() + 1));
            for (int n = random.bounded(1, 6); n > 0 && !bytes.isEmpty(); --n)
                bytes[random.bounded(bytes.size())] = char(random.bounded(256));
            const std::optional<StringGrid> decoded = decodeTable(bytes);
            // A whole table that fits its bytes and limits, or nothing.
            QVERIFY2(!decoded ||
                         (decoded->columnCount() <= MaxTableColumns && decoded->rowCount() <= MaxTableRows &&
                          qint64(decoded->columnCount()) * decoded->rowCount() * 4 <= bytes.size()),
                     qPrintable(QString::number(round)));
            refused += decoded ? 0 : 1;
        }
        QVERIFY(refused > 0 && refused < 20000);
    }

    void failedWriteKeepsTheOldFile() {
        QVERIFY(WriteTableFile(StringGrid(1, 1), path()).ok);
        const QByteArray oldBytes = readFile(path());

        // Files may not grow beyond 32 bytes: the new table (58) fails midway.
        struct rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved;
        small.rlim_cur = 32;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const TableFileResult result = WriteTableFile(sampleGrid(), path());
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY(!result.ok && !result.error.isEmpty());
        QCOMPARE(readFile(path()), oldBytes);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("config.dat")});

        // A folder in the way, a missing folder, a table too large to be read back: nothing written;
        // and nothing read where there is no table file.
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder.dat")));
        QVERIFY(!WriteTableFile(sampleGrid(), path(QStringLiteral("folder.dat"))).ok);
        for (const QString &file : {path(QStringLiteral("folder.dat")), path(QStringLiteral("no.dat")),
                                    QStringLiteral("/dev/zero")}) {
            StringGrid grid = sampleGrid();
            QCOMPARE(ReadTableFile(grid, file).error, TableReadError);
            QCOMPARE(grid, sampleGrid());
        }
        QVERIFY(!WriteTableFile(sampleGrid(), path(QStringLiteral("no/such/t.dat"))).ok);
        StringGrid huge(1, 1);
        huge.setCell(0, 0, QString(MaxTableFileBytes / 2, QLatin1Char('x')));
        QVERIFY(!WriteTableFile(huge, path(QStringLiteral("big.dat"))).ok);
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("big.dat"))));
    }

    // Kept scrambled under "Y" (a blank and a non-ASCII letter come back); only exactly "Y" keeps it;
    // a run without a granted login keeps the pair; not keeping blanks it under "N".
    void savedLoginKeepsOrForgets() {
        const QString file = path(QStringLiteral("Quillbarrow.dat"));
        StringGrid grid;
        (void)loadSavedLoginTable(grid, m_dir->path());
        const QByteArray password = QStringLiteral("pa ss~w\u00f6rd").toUtf8();
        QVERIFY(saveSavedLoginTable(grid, m_dir->path(), true, "ann@example.org", password).ok);
        StringGrid saved;
        QVERIFY(ReadTableFile(saved, file).ok);
        QCOMPARE(saved.cell(1, 0).toLatin1(), ScrambleText(password, ScrambleKey));
        QCOMPARE(saved.cell(2, 0), QStringLiteral("Y"));
        for (const QString &flag : {QStringLiteral("Y"), QStringLiteral("y"), QStringLiteral("Y ")}) {
            saved.setCell(2, 0, flag);
            QVERIFY(WriteTableFile(saved, file).ok);
            StringGrid next;
            const SavedLoginLoad load = loadSavedLoginTable(next, m_dir->path());
            QCOMPARE(next, saved);
            QCOMPARE(load.login.autoLoginArmed(), flag == u"Y");
            QCOMPARE(load.login.password, flag == u"Y" ? QString::fromUtf8(password) : QString());
        }
        saved.setCell(2, 0, QStringLiteral("Y"));
        QVERIFY(saveSavedLoginTable(saved, m_dir->path(), true, {}, {}).ok);
        StringGrid again;
        QVERIFY(ReadTableFile(again, file).ok);
        QCOMPARE(again, saved);
        QVERIFY(saveSavedLoginTable(again, m_dir->path(), false, "ann@example.org", password).ok);
        QCOMPARE(readFile(file), QByteArray::fromHex("03000000010000000000000000000000010000004E00"));
    }

    // Only exactly "Yes" is on; tables too small for their values grow on save.
    void settingsAreCaseSensitiveAndGrow() {
        for (const QString &value : {QStringLiteral("Yes"), QStringLiteral("yes"), QStringLiteral("No")}) {
            StringGrid file(2, 2);
            file.setCell(0, 0, QStringLiteral("Sounds"));
            file.setCell(0, 1, value);
            QVERIFY(WriteTableFile(file, path()).ok);
            StringGrid grid;
            QCOMPARE(loadSettingsTable(grid, m_dir->path()).soundsOn, value == u"Yes");
        }
        QVERIFY(WriteTableFile(StringGrid(0, 0), path()).ok);
        QVERIFY(WriteTableFile(StringGrid(1, 0), path(QStringLiteral("Quillbarrow.dat"))).ok);
        StringGrid config, login, again;
        QVERIFY(!loadSettingsTable(config, m_dir->path()).soundsOn);
        QVERIFY(saveSettingsTable(config, m_dir->path(), true).ok);
        QVERIFY(loadSettingsTable(again, m_dir->path()).soundsOn);
        QCOMPARE(again.columnCount(), 1);
        QVERIFY(!loadSavedLoginTable(login, m_dir->path()).login.saved);
        QVERIFY(saveSavedLoginTable(login, m_dir->path(), true, "b@c.d", "pw").ok);
        QCOMPARE(loadSavedLoginTable(again, m_dir->path()).login.password, QStringLiteral("pw"));
    }

    // The first start writes both default tables; a damaged table gives the message and the defaults
    // and stays on disk until the next save.
    void defaultTablesAndDamagedOnes() {
        const QString loginFile = path(QStringLiteral("Quillbarrow.dat"));
        for (const bool damaged : {false, true}) {
            StringGrid login, config;
            const SavedLoginLoad loginLoad = loadSavedLoginTable(login, m_dir->path());
            const SettingsLoad settingsLoad = loadSettingsTable(config, m_dir->path());
            QCOMPARE(loginLoad.error, damaged ? TableReadError.toString() : QString());
            QCOMPARE(settingsLoad.error, damaged ? TableReadError.toString() : QString());
            QVERIFY(!loginLoad.login.saved && settingsLoad.soundsOn);
            QCOMPARE(login, defaultSavedLoginTable());
            QCOMPARE(config, defaultSettingsTable());
            if (damaged) {
                QCOMPARE(readFile(loginFile), QByteArray("damaged"));
                QCOMPARE(readFile(path()), QByteArray("damaged"));
                QVERIFY(saveSavedLoginTable(login, m_dir->path(), false, {}, {}).ok);
                QVERIFY(saveSettingsTable(config, m_dir->path(), true).ok);
            }
            QCOMPARE(readFile(loginFile),
                     QByteArray::fromHex("03000000010000000000000000000000010000004E00"));
            // 10 x 12, "Sounds", "Yes", then only empty cells.
            QCOMPARE(readFile(path()), littleEndian(10) + littleEndian(12) + littleEndian(6) +
                                           utf16le(u"Sounds", 6) + littleEndian(3) + utf16le(u"Yes", 3) +
                                           QByteArray((10 * 12 - 2) * 4, '\0'));
            QVERIFY(writeFile(loginFile, "damaged") && writeFile(path(), "damaged"));
        }
    }

private:
    QString path(const QString &name = QStringLiteral("config.dat")) const { return m_dir->filePath(name); }

    std::optional<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TableFileTest)
#include "TableFileTest.moc"
