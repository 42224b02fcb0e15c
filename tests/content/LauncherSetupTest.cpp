// The setup program run for real, as a process in a launcher folder: it replaces the launcher's
// files, survives being killed at every step, refuses damage and a launcher that does not end, and
// starts the new launcher. The program under test carries stand-in files: two bundles and a
// launcher that leaves a mark.
#include "SetupPayload.h"
#include "core/FileVersion.h"
#include "platform/SingleInstanceLock.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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

// A launcher folder holding an old launcher, the player's own files and the downloaded setup.
class LauncherFolder {
public:
    LauncherFolder() {
        QDir(path()).mkpath(QStringLiteral("Temp"));
        for (const QString &name : LauncherFiles)
            writeFile(file(name), "old " + name.toUtf8());
        writeFile(file(QStringLiteral("config.dat")), "player settings");
        QFile::copy(QStringLiteral(TEST_SETUP_PROGRAM), setupProgram());
    }

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return QDir(path()).filePath(name); }
    QString setupProgram() const { return file(QStringLiteral("Temp/QuillbarrowSetup.exe")); }
    QString runtimeFolder() const { return m_runtime.path(); }

    // Started the way the launcher starts it: no parameters, the launcher's folder as working folder.
    int run(const QByteArray &stopAt = {}, QByteArray *errors = nullptr) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("QUILLBARROW_SETUP_TEST_LOCK_WAIT_MS"), QStringLiteral("300"));
        environment.insert(QStringLiteral("QUILLBARROW_SETUP_TEST_STOP"), QString::fromLatin1(stopAt));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(path());
        process.start(setupProgram(), {});
        if (!process.waitForFinished(60000))
            return -1;
        if (errors)
            *errors = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    }

    // Nothing changed: the old launcher, no staged files or journal, nothing started.
    bool untouched() const {
        for (const QString &name : LauncherFiles)
            if (!isOld(name))
                return false;
        return leftovers().isEmpty() && !launcherStarted();
    }
    QStringList leftovers() const {
        return QDir(path()).entryList(
            {QStringLiteral("*.setup-new"), QStringLiteral("QuillbarrowSetup.journal*")},
            QDir::Files | QDir::Hidden);
    }
    bool journalExists() const { return QFile::exists(file(QStringLiteral("QuillbarrowSetup.journal"))); }
    bool isNew(const QString &name) const {
        return readAll(file(name)) == readAll(QDir(QStringLiteral(TEST_PAYLOAD_DIR)).filePath(name));
    }
    bool isOld(const QString &name) const { return readAll(file(name)) == "old " + name.toUtf8(); }
    bool launcherStarted() const { return QFile::exists(file(QStringLiteral("launcher-started"))); }

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_runtime; // the runtime folder of this test's "user": its own launcher lock
};

// The complete new launcher (executable and versioned), the player's files untouched, no trace of the setup.
void verifyComplete(const LauncherFolder &folder) {
    for (const QString &name : LauncherFiles)
        QVERIFY2(folder.isNew(name), qPrintable(name));
    QVERIFY(QFileInfo(folder.file(QStringLiteral("Quillbarrow.exe"))).isExecutable());
    QCOMPARE(ReadFileVersion(QFile::encodeName(folder.file(QStringLiteral("Quillbarrow.exe")))),
             QByteArray("1.0.0.9"));
    QCOMPARE(folder.leftovers(), QStringList());
    QCOMPARE(readAll(folder.file(QStringLiteral("config.dat"))), QByteArray("player settings"));
    QTRY_VERIFY_WITH_TIMEOUT(folder.launcherStarted(), 15000);
}

} // namespace

class LauncherSetupTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Killed at each step, the setup leaves either the old launcher or a journal; run again, it
    // ends with the complete new launcher.
    void endsCompleteEvenWhenInterrupted_data() {
        QTest::addColumn<QByteArray>("stopAt");
        QTest::addColumn<bool>("journal");
        QTest::addColumn<int>("renamed");
        QTest::newRow("not interrupted") << QByteArray() << false << 0;
        QTest::newRow("staged, before the journal") << QByteArray("staged") << false << 0;
        QTest::newRow("journal written, nothing renamed") << QByteArray("journaled") << true << 0;
        QTest::newRow("after two renames") << QByteArray("renamed:2") << true << 2;
        QTest::newRow("all renamed, journal still there") << QByteArray("renamed:3") << true << 3;
    }
    void endsCompleteEvenWhenInterrupted() {
        QFETCH(QByteArray, stopAt);
        QFETCH(int, renamed);
        LauncherFolder folder;
        if (!stopAt.isEmpty()) {
            QCOMPARE(folder.run(stopAt), 86);
            QTEST(folder.journalExists(), "journal");
            QVERIFY(!folder.launcherStarted());
            // The launcher executable goes last, so a folder left like this still reports the old
            // launcher version and gets the update offered again.
            for (int i = 0; i < LauncherFiles.size(); ++i)
                QVERIFY(i < renamed ? folder.isNew(LauncherFiles[i]) : folder.isOld(LauncherFiles[i]));
        }
        QCOMPARE(folder.run(), 0);
        verifyComplete(folder);
    }

    // A staged file that does not match the journal (a damaged disk, a truncated copy) is never
    // put in place; the rerun installs its own intact copy.
    void damagedStagedFileIsNotRolledForward() {
        LauncherFolder folder;
        QCOMPARE(folder.run("journaled"), 86);
        QVERIFY(writeFile(folder.file(QStringLiteral("Quillbarrow02.dll.setup-new")), "torn"));
        QCOMPARE(folder.run("staged"), 86); // the rerun dies too, after finishing the first
        QVERIFY(!folder.journalExists());
        QVERIFY(folder.isNew(QStringLiteral("Quillbarrow01.dll")) &&
                folder.isOld(QStringLiteral("Quillbarrow02.dll")));
        QCOMPARE(folder.run(), 0);
        verifyComplete(folder);
    }

    // A launcher that does not end or a damaged download changes nothing in the folder and says so.
    void refusesAndChangesNothing_data() {
        QTest::addColumn<qint64>("damageFromEnd"); // -1: none; 0 cuts the end
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("launcher still running") << qint64(-1) << QByteArray("Quillbarrow is still running");
        QTest::newRow("end cut off") << qint64(0) << QByteArray("damaged");
        QTest::newRow("a carried file") << qint64(2000) << QByteArray("damaged");
    }
    void refusesAndChangesNothing() {
        QFETCH(qint64, damageFromEnd);
        QFETCH(QByteArray, message);
        LauncherFolder folder;
        SingleInstanceLock launcher(QStringLiteral("Quillbarrow-App"), folder.runtimeFolder());
        QVERIFY(damageFromEnd >= 0 || launcher.tryAcquire());
        QByteArray program = readAll(folder.setupProgram());
        if (damageFromEnd == 0)
            program.chop(1);
        else if (damageFromEnd > 0)
            program[program.size() - damageFromEnd] = char(program[program.size() - damageFromEnd] ^ 0x5a);
        QVERIFY(writeFile(folder.setupProgram(), program));
        QByteArray errors;
        QCOMPARE(folder.run({}, &errors), 1);
        QVERIFY2(errors.contains(message), errors.constData());
        QVERIFY(folder.untouched());
    }

    // The built QuillbarrowSetup.exe carries the launcher folder as built, the launcher as 1.0.0.9.
    void demoSetupCarriesTheBuiltLauncherFolder() {
        const QString program = QStringLiteral(DEMO_SETUP_PROGRAM);
        QCOMPARE(ReadFileVersion(QFile::encodeName(program)), QByteArray("1.0.0.9"));
        QString error;
        const std::optional<SetupPayload> payload = SetupPayload::open(program, &error);
        QVERIFY2(payload, qPrintable(error));
        QTemporaryDir dir;
        QStringList names;
        for (const PayloadEntry &entry : payload->entries()) {
            names << entry.name;
            QBuffer data;
            data.open(QIODevice::WriteOnly);
            QVERIFY2(payload->copyTo(entry, data, &error), qPrintable(error));
            const bool launcher = entry.name == u"Quillbarrow.exe";
            QCOMPARE(entry.mode, launcher ? 0755u : 0644u);
            QVERIFY(writeFile(dir.filePath(entry.name), data.data()));
            if (launcher)
                QCOMPARE(ReadFileVersion(QFile::encodeName(dir.filePath(entry.name))), QByteArray("1.0.0.9"));
            else
                QCOMPARE(data.data(), readAll(QDir(QStringLiteral(LAUNCHER_BUILD_DIR)).filePath(entry.name)));
        }
        QStringList expected = QStringLiteral(DEMO_SETUP_FILES).split(u',', Qt::SkipEmptyParts);
        names.sort();
        expected.sort();
        QCOMPARE(names, expected);
    }
};

QTEST_GUILESS_MAIN(LauncherSetupTest)
#include "LauncherSetupTest.moc"
