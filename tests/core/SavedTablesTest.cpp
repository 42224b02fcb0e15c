#include "core/SavedLoginTable.h"
#include "core/Scramble.h"
#include "core/SettingsTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

StringGrid loginGrid(const QString &email, const QString &scrambled, const QString &flag) {
    StringGrid grid(3, 1);
    grid.setCell(0, 0, email);
    grid.setCell(1, 0, scrambled);
    grid.setCell(2, 0, flag);
    return grid;
}

StringGrid readBack(const QString &path) {
    StringGrid grid;
    return ReadTableFile(grid, path).ok ? grid : StringGrid();
}

} // namespace

class SavedTablesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstStartWritesBothDefaults() {
        QTemporaryDir dir;
        StringGrid SettingsGrid;
        StringGrid ConfigGrid;
        const SavedLoginLoad login = loadSavedLoginTable(SettingsGrid, dir.path());
        const SettingsLoad settings = loadSettingsTable(ConfigGrid, dir.path());

        QVERIFY(login.error.isEmpty());
        QVERIFY(!login.login.saved);
        QVERIFY(login.login.email.isEmpty());
        QVERIFY(login.login.password.isEmpty());
        QVERIFY(!login.login.autoLoginArmed());
        QVERIFY(settings.error.isEmpty());
        QVERIFY(settings.soundsOn);

        const QString loginPath = dir.filePath(QStringLiteral("Quillbarrow.dat"));
        const QString configPath = dir.filePath(QStringLiteral("config.dat"));
        QCOMPARE(QFileInfo(loginPath).size(), 22);
        QCOMPARE(QFileInfo(configPath).size(), 506);
        QCOMPARE(fileBytes(loginPath), QByteArray::fromHex("03000000010000000000000000000000010000004E00"));
        // Header 10 x 12, "Sounds", "Yes", then only empty cells.
        const QByteArray config = fileBytes(configPath);
        QCOMPARE(config.left(8 + 16 + 10), QByteArray::fromHex("0A0000000C000000"
                                                               "0600000053006F0075006E0064007300"
                                                               "03000000590065007300"));
        QCOMPARE(config.mid(34), QByteArray(506 - 34, '\0'));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    void onlyAnExactYKeepsTheLogin_data() {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QString>("flag");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("armed");

        QTest::newRow("Y with both") << QStringLiteral("p@q.r") << QByteArray("secret") << QStringLiteral("Y")
                                     << true << true;
        QTest::newRow("Y with empty e-mail")
            << QString() << QByteArray("secret") << QStringLiteral("Y") << true << false;
        QTest::newRow("Y with empty password")
            << QStringLiteral("p@q.r") << QByteArray() << QStringLiteral("Y") << true << false;
        QTest::newRow("lower-case y")
            << QStringLiteral("p@q.r") << QByteArray("secret") << QStringLiteral("y") << false << false;
        QTest::newRow("N") << QStringLiteral("p@q.r") << QByteArray("secret") << QStringLiteral("N") << false
                           << false;
        QTest::newRow("Y with a blank")
            << QStringLiteral("p@q.r") << QByteArray("secret") << QStringLiteral("Y ") << false << false;
    }

    void onlyAnExactYKeepsTheLogin() {
        QFETCH(QString, email);
        QFETCH(QByteArray, password);
        QFETCH(QString, flag);
        QFETCH(bool, saved);
        QFETCH(bool, armed);

        QTemporaryDir dir;
        const StringGrid file =
            loginGrid(email, QString::fromLatin1(ScrambleText(password, ScrambleKey)), flag);
        QVERIFY(WriteTableFile(file, dir.filePath(QStringLiteral("Quillbarrow.dat"))).ok);

        StringGrid grid;
        const SavedLoginLoad load = loadSavedLoginTable(grid, dir.path());
        QVERIFY(load.error.isEmpty());
        QCOMPARE(grid, file);
        QCOMPARE(load.login.saved, saved);
        QCOMPARE(load.login.autoLoginArmed(), armed);
        QCOMPARE(load.login.email, saved ? email : QString());
        QCOMPARE(load.login.password, saved ? QString::fromUtf8(password) : QString());
    }

    void savingKeepsOrForgetsTheGrantedLogin() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Quillbarrow.dat"));
        StringGrid grid;
        (void)loadSavedLoginTable(grid, dir.path());

        // Kept: the password is scrambled in the file, and a space or a non-ASCII letter comes back.
        const QByteArray password = QStringLiteral("pa ss~w\u00f6rd").toUtf8();
        QVERIFY(saveSavedLoginTable(grid, dir.path(), true, "ann@example.org", password).ok);
        StringGrid file = readBack(path);
        QCOMPARE(file.cell(0, 0), QStringLiteral("ann@example.org"));
        QCOMPARE(file.cell(1, 0).toLatin1(), ScrambleText(password, ScrambleKey));
        QVERIFY(file.cell(1, 0).toLatin1() != password);
        QCOMPARE(file.cell(2, 0), QStringLiteral("Y"));

        StringGrid next;
        SavedLoginLoad load = loadSavedLoginTable(next, dir.path());
        QCOMPARE(load.login.email, QStringLiteral("ann@example.org"));
        QCOMPARE(load.login.password, QStringLiteral("pa ss~w\u00f6rd"));
        QVERIFY(load.login.autoLoginArmed());

        // A run without a granted login keeps the pair saved before.
        QVERIFY(saveSavedLoginTable(next, dir.path(), true, {}, {}).ok);
        QCOMPARE(readBack(path), file);

        // Not kept: blanks under "N".
        QVERIFY(saveSavedLoginTable(next, dir.path(), false, "ann@example.org", password).ok);
        QCOMPARE(readBack(path), loginGrid({}, {}, QStringLiteral("N")));
        QCOMPARE(fileBytes(path).size(), 22);
    }

    void settingsValueIsCaseSensitive_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("soundsOn");
        QTest::newRow("Yes") << QStringLiteral("Yes") << true;
        QTest::newRow("yes") << QStringLiteral("yes") << false;
        QTest::newRow("YES") << QStringLiteral("YES") << false;
        QTest::newRow("No") << QStringLiteral("No") << false;
        QTest::newRow("empty") << QString() << false;
    }

    void settingsValueIsCaseSensitive() {
        QFETCH(QString, value);
        QFETCH(bool, soundsOn);
        QTemporaryDir dir;
        StringGrid file(10, 12);
        file.setCell(0, 0, QStringLiteral("Sounds"));
        file.setCell(0, 1, value);
        QVERIFY(WriteTableFile(file, dir.filePath(QStringLiteral("config.dat"))).ok);
        StringGrid grid;
        const SettingsLoad load = loadSettingsTable(grid, dir.path());
        QVERIFY(load.error.isEmpty());
        QCOMPARE(load.soundsOn, soundsOn);
    }

    void smallSettingsTableKeepsItsShape() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.dat"));
        StringGrid file(2, 2);
        file.setCell(0, 0, QStringLiteral("Sounds"));
        file.setCell(0, 1, QStringLiteral("No"));
        file.setCell(1, 0, QStringLiteral("Other"));
        file.setCell(1, 1, QStringLiteral("kept"));
        QVERIFY(WriteTableFile(file, path).ok);

        StringGrid grid;
        const SettingsLoad load = loadSettingsTable(grid, dir.path());
        QVERIFY(!load.soundsOn);
        QCOMPARE(grid.columnCount(), 2);
        QCOMPARE(grid.rowCount(), 2);

        QVERIFY(saveSettingsTable(grid, dir.path(), true).ok);
        StringGrid expected = file;
        expected.setCell(0, 1, QStringLiteral("Yes"));
        QCOMPARE(readBack(path), expected);
        QCOMPARE(fileBytes(path).size(), 8 + (4 + 12) + (4 + 6) + (4 + 10) + (4 + 8));
    }

    // Tables too small for their values are grown on save; otherwise the setting could never be stored.
    void tooSmallTablesGrowToHoldTheirValues() {
        QTemporaryDir dir;
        QVERIFY(WriteTableFile(StringGrid(0, 0), dir.filePath(QStringLiteral("config.dat"))).ok);
        QVERIFY(WriteTableFile(StringGrid(1, 0), dir.filePath(QStringLiteral("Quillbarrow.dat"))).ok);

        StringGrid config;
        QVERIFY(!loadSettingsTable(config, dir.path()).soundsOn);
        QVERIFY(saveSettingsTable(config, dir.path(), true).ok);
        StringGrid again;
        QVERIFY(loadSettingsTable(again, dir.path()).soundsOn);
        QCOMPARE(again.columnCount(), 1);
        QCOMPARE(again.rowCount(), 2);

        StringGrid login;
        QVERIFY(!loadSavedLoginTable(login, dir.path()).login.saved);
        QVERIFY(saveSavedLoginTable(login, dir.path(), true, "b@c.d", "pw").ok);
        StringGrid loginAgain;
        QCOMPARE(loadSavedLoginTable(loginAgain, dir.path()).login.password, QStringLiteral("pw"));
    }

    void nulCutsACell() {
        QTemporaryDir dir;
        // Spelled out: an e-mail cell of three units "a", NUL, "b" under "Y".
        const QByteArray bytes = QByteArray::fromHex("03000000010000000300000061000000620000000000"
                                                     "010000005900");
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("Quillbarrow.dat")), bytes));
        StringGrid grid;
        const SavedLoginLoad load = loadSavedLoginTable(grid, dir.path());
        QVERIFY(load.error.isEmpty());
        QCOMPARE(load.login.email, QStringLiteral("a"));
        QVERIFY(load.login.saved);
    }

    void damagedFilesAreLeftAloneUntilTheNextSave_data() {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("saved login") << QStringLiteral("Quillbarrow.dat");
        QTest::newRow("settings") << QStringLiteral("config.dat");
    }

    void damagedFilesAreLeftAloneUntilTheNextSave() {
        QFETCH(QString, fileName);
        QTemporaryDir dir;
        const QString path = dir.filePath(fileName);
        const QByteArray damaged = QByteArray::fromHex("03000000010000000500000061");
        QVERIFY(writeBytes(path, damaged));

        StringGrid grid;
        if (fileName == SavedLoginFileName) {
            const SavedLoginLoad load = loadSavedLoginTable(grid, dir.path());
            QCOMPARE(load.error, QStringLiteral("Can't open config file!"));
            QVERIFY(!load.login.saved);
            QCOMPARE(grid, defaultSavedLoginTable());
        } else {
            const SettingsLoad load = loadSettingsTable(grid, dir.path());
            QCOMPARE(load.error, QStringLiteral("Can't open config file!"));
            QVERIFY(load.soundsOn);
            QCOMPARE(grid, defaultSettingsTable());
        }
        QCOMPARE(fileBytes(path), damaged);

        // The next save replaces it with a readable table.
        if (fileName == SavedLoginFileName)
            QVERIFY(saveSavedLoginTable(grid, dir.path(), false, {}, {}).ok);
        else
            QVERIFY(saveSettingsTable(grid, dir.path(), false).ok);
        StringGrid again;
        QVERIFY(ReadTableFile(again, path).ok);
    }

    void folderInPlaceOfTheTableIsAReadError() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("config.dat")));
        StringGrid grid;
        const SettingsLoad load = loadSettingsTable(grid, dir.path());
        QCOMPARE(load.error, QStringLiteral("Can't open config file!"));
        QVERIFY(!saveSettingsTable(grid, dir.path(), true).ok);
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("config.dat"))).isDir());
    }
};

QTEST_GUILESS_MAIN(SavedTablesTest)
#include "SavedTablesTest.moc"
