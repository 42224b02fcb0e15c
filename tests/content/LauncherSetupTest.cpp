// The setup program run for real, as a process in a launcher folder: it waits for the launcher,
// replaces the launcher's files, survives being killed at every step, and starts the new launcher.
// The program under test carries stand-in files: two bundles and a launcher that leaves a mark.
#include "SetupPayload.h"
#include "core/FileVersion.h"
#include "platform/SingleInstanceLock.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {

const QStringList LauncherFiles{QStringLiteral("Quillbarrow01.dll"), QStringLiteral("Quillbarrow02.dll"),
                                QStringLiteral("Quillbarrow.exe")};

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

mode_t modeOf(const QString &path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// A launcher folder holding an old launcher, the player's own files and the downloaded setup.
class LauncherFolder {
public:
    LauncherFolder() {
        const QDir dir(path());
        dir.mkpath(QStringLiteral("Temp"));
        dir.mkpath(QStringLiteral("Games/EmberHollow"));
        for (const QString &name : LauncherFiles)
            writeFile(dir.filePath(name), "old " + name.toUtf8());
        ::chmod(QFile::encodeName(dir.filePath(QStringLiteral("Quillbarrow.exe"))).constData(), 0755);
        writeFile(dir.filePath(QStringLiteral("config.dat")), "player settings");
        writeFile(dir.filePath(QStringLiteral("Games/EmberHollow/EmberHollow.exe")), "a game");
        QFile::copy(QStringLiteral(TEST_SETUP_PROGRAM), setupProgram());
    }

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return QDir(path()).filePath(name); }
    QString setupProgram() const { return file(QStringLiteral("Temp/QuillbarrowSetup.exe")); }
    QString runtimeFolder() const { return m_runtime.path(); }

    // Started the way the launcher starts it: no parameters, the launcher's folder as working folder.
    void start(QProcess &process, const QByteArray &stopAt = {}, int lockWaitMs = -1) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.remove(QStringLiteral("QUILLBARROW_SETUP_TEST_STOP"));
        if (!stopAt.isEmpty())
            environment.insert(QStringLiteral("QUILLBARROW_SETUP_TEST_STOP"), QString::fromLatin1(stopAt));
        if (lockWaitMs >= 0)
            environment.insert(QStringLiteral("QUILLBARROW_SETUP_TEST_LOCK_WAIT_MS"),
                               QString::number(lockWaitMs));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(path());
        process.start(setupProgram(), {});
    }

    int run(const QByteArray &stopAt = {}, int lockWaitMs = -1, QByteArray *errors = nullptr) const {
        QProcess process;
        start(process, stopAt, lockWaitMs);
        if (!process.waitForFinished(60000))
            return -1;
        if (errors)
            *errors = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    }

    QStringList leftovers() const {
        return QDir(path()).entryList(
            {QStringLiteral("*.setup-new"), QStringLiteral("QuillbarrowSetup.journal*")},
            QDir::Files | QDir::Hidden);
    }

    bool journalExists() const { return QFile::exists(file(QStringLiteral("QuillbarrowSetup.journal"))); }
    bool isNew(const QString &name) const { return readAll(file(name)) == readAll(source(name)); }
    bool isOld(const QString &name) const { return readAll(file(name)) == "old " + name.toUtf8(); }
    bool launcherStarted() const { return QFile::exists(file(QStringLiteral("launcher-started"))); }

    static QString source(const QString &name) {
        return QDir(QStringLiteral(TEST_PAYLOAD_DIR)).filePath(name);
    }

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_runtime; // the runtime folder of this test's "user": its own launcher lock
};

// The folder holds the complete new launcher, the player's files untouched, and no trace of the setup.
void verifyComplete(const LauncherFolder &folder) {
    for (const QString &name : LauncherFiles)
        QVERIFY2(folder.isNew(name), qPrintable(name));
    QCOMPARE(modeOf(folder.file(QStringLiteral("Quillbarrow.exe"))), mode_t(0755));
    QCOMPARE(modeOf(folder.file(QStringLiteral("Quillbarrow01.dll"))), mode_t(0644));
    QCOMPARE(ReadFileVersion(QFile::encodeName(folder.file(QStringLiteral("Quillbarrow.exe")))),
             QByteArray("1.0.0.9"));
    QCOMPARE(folder.leftovers(), QStringList());
    QCOMPARE(readAll(folder.file(QStringLiteral("config.dat"))), QByteArray("player settings"));
    QCOMPARE(readAll(folder.file(QStringLiteral("Games/EmberHollow/EmberHollow.exe"))), QByteArray("a game"));
}

} // namespace

class LauncherSetupTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void replacesTheLauncherAndStartsIt() {
        LauncherFolder folder;
        QVERIFY(QFile::exists(folder.setupProgram()));
        QCOMPARE(ReadFileVersion(QFile::encodeName(folder.setupProgram())), QByteArray("1.0.0.9"));
        QCOMPARE(folder.run(), 0);
        verifyComplete(folder);
        QTRY_VERIFY_WITH_TIMEOUT(folder.launcherStarted(), 15000);
    }

    // Killed at each step, the setup leaves either the old launcher or a journal; run again, it
    // ends with the complete new launcher.
    void interruptedSetupEndsCompleteWhenRunAgain_data() {
        QTest::addColumn<QByteArray>("stopAt");
        QTest::addColumn<bool>("journal");
        QTest::addColumn<int>("renamed");
        QTest::newRow("staged, before the journal") << QByteArray("staged") << false << 0;
        QTest::newRow("journal written, nothing renamed") << QByteArray("journaled") << true << 0;
        QTest::newRow("after one rename") << QByteArray("renamed:1") << true << 1;
        QTest::newRow("after two renames") << QByteArray("renamed:2") << true << 2;
        QTest::newRow("all renamed, journal still there") << QByteArray("renamed:3") << true << 3;
    }
    void interruptedSetupEndsCompleteWhenRunAgain() {
        QFETCH(QByteArray, stopAt);
        QFETCH(bool, journal);
        QFETCH(int, renamed);
        LauncherFolder folder;
        QCOMPARE(folder.run(stopAt), 86);
        QCOMPARE(folder.journalExists(), journal);
        QVERIFY(!folder.launcherStarted());
        // Files are replaced in a fixed order, the launcher executable last, so that a folder left
        // like this still reports the old launcher version and gets the update offered again.
        for (int i = 0; i < LauncherFiles.size(); ++i)
            QVERIFY2(i < renamed ? folder.isNew(LauncherFiles[i]) : folder.isOld(LauncherFiles[i]),
                     qPrintable(LauncherFiles[i]));

        QCOMPARE(folder.run(), 0);
        verifyComplete(folder);
        QTRY_VERIFY_WITH_TIMEOUT(folder.launcherStarted(), 15000);
    }

    // A staged file that does not match the journal (a damaged disk, a truncated copy) is never
    // put in place; the rerun installs its own intact copy.
    void damagedStagedFileIsNotRolledForward() {
        LauncherFolder folder;
        QCOMPARE(folder.run("journaled"), 86);
        QVERIFY(writeFile(folder.file(QStringLiteral("Quillbarrow02.dll.setup-new")), "torn"));
        QCOMPARE(folder.run("staged"), 86); // the rerun dies too, after finishing the first
        QVERIFY(!folder.journalExists());
        QVERIFY(folder.isNew(QStringLiteral("Quillbarrow01.dll")));
        QVERIFY(folder.isOld(QStringLiteral("Quillbarrow02.dll")));
        QCOMPARE(folder.run(), 0);
        verifyComplete(folder);
    }

    void waitsUntilTheLauncherHasEnded() {
        LauncherFolder folder;
        SingleInstanceLock launcher(QStringLiteral("Quillbarrow-App"), folder.runtimeFolder());
        QVERIFY(launcher.tryAcquire());
        QProcess setup;
        folder.start(setup);
        QVERIFY(setup.waitForStarted());
        QVERIFY(!setup.waitForFinished(2000));
        for (const QString &name : LauncherFiles)
            QVERIFY(folder.isOld(name));
        QCOMPARE(folder.leftovers(), QStringList());

        launcher.release();
        QVERIFY(setup.waitForFinished(30000));
        QCOMPARE(setup.exitCode(), 0);
        verifyComplete(folder);
        QTRY_VERIFY_WITH_TIMEOUT(folder.launcherStarted(), 15000);
    }

    void givesUpOnALauncherThatDoesNotEnd() {
        LauncherFolder folder;
        SingleInstanceLock launcher(QStringLiteral("Quillbarrow-App"), folder.runtimeFolder());
        QVERIFY(launcher.tryAcquire());
        QByteArray errors;
        QCOMPARE(folder.run({}, 300, &errors), 1);
        QVERIFY2(errors.contains("Quillbarrow is still running"), errors.constData());
        for (const QString &name : LauncherFiles)
            QVERIFY(folder.isOld(name));
        QCOMPARE(folder.leftovers(), QStringList());
        QVERIFY(!folder.launcherStarted());
    }

    // A damaged download changes nothing in the folder and says so.
    void damagedSetupProgramChangesNothing_data() {
        QTest::addColumn<qint64>("offsetFromEnd"); // byte to damage, counted from the end; 0 cuts the end
        QTest::newRow("end cut off") << qint64(0);
        QTest::newRow("trailer") << qint64(3);
        QTest::newRow("a carried file") << qint64(2000);
    }
    void damagedSetupProgramChangesNothing() {
        QFETCH(qint64, offsetFromEnd);
        LauncherFolder folder;
        QByteArray program = readAll(folder.setupProgram());
        QVERIFY(program.size() > 4096);
        if (offsetFromEnd == 0)
            program.chop(1);
        else
            program[program.size() - offsetFromEnd] = char(program[program.size() - offsetFromEnd] ^ 0x5a);
        QVERIFY(writeFile(folder.setupProgram(), program));

        QByteArray errors;
        QCOMPARE(folder.run({}, -1, &errors), 1);
        QVERIFY2(errors.contains("damaged"), errors.constData());
        for (const QString &name : LauncherFiles)
            QVERIFY(folder.isOld(name));
        QCOMPARE(folder.leftovers(), QStringList());
        QVERIFY(!folder.launcherStarted());
    }

    // The built QuillbarrowSetup.exe carries the launcher folder as built, the launcher as 1.0.0.9.
    void demoSetupCarriesTheBuiltLauncherFolder() {
        const QString program = QStringLiteral(DEMO_SETUP_PROGRAM);
        QCOMPARE(ReadFileVersion(QFile::encodeName(program)), QByteArray("1.0.0.9"));
        QString error;
        const std::optional<SetupPayload> payload = SetupPayload::open(program, &error);
        QVERIFY2(payload, qPrintable(error));
        QStringList names;
        for (const PayloadEntry &entry : payload->entries()) {
            names << entry.name;
            QBuffer data;
            data.open(QIODevice::WriteOnly);
            QVERIFY2(payload->copyTo(entry, data, &error), qPrintable(error));
            if (entry.name == u"Quillbarrow.exe") {
                QCOMPARE(entry.mode, 0755u);
                QTemporaryDir dir;
                const QString copy = dir.filePath(entry.name);
                QVERIFY(writeFile(copy, data.data()));
                QCOMPARE(ReadFileVersion(QFile::encodeName(copy)), QByteArray("1.0.0.9"));
            } else {
                QCOMPARE(entry.mode, 0644u);
                QCOMPARE(data.data(), readAll(QDir(QStringLiteral(LAUNCHER_BUILD_DIR)).filePath(entry.name)));
            }
        }
        QStringList expected = QStringLiteral(DEMO_SETUP_FILES).split(u',', Qt::SkipEmptyParts);
        names.sort();
        expected.sort();
        QCOMPARE(names, expected);
    }
};

QTEST_GUILESS_MAIN(LauncherSetupTest)
#include "LauncherSetupTest.moc"
