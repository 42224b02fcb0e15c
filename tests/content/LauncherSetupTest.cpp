// The setup program run for real in a launcher folder holding an old launcher and the player's
// settings. The program under test carries stand-in files: two bundles and a launcher that leaves a mark.
#include "FileFixtures.h"
#include "SetupPayload.h"
#include "core/FileVersion.h"
#include "platform/SingleInstanceLock.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace FileFixtures;

namespace {

const QStringList LauncherFiles{QStringLiteral("Quillbarrow01.dll"), QStringLiteral("Quillbarrow02.dll"),
                                QStringLiteral("Quillbarrow.exe")};

} // namespace

class LauncherSetupTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        QVERIFY(m_dir.emplace().isValid() && m_runtime.emplace().isValid());
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("Temp")));
        for (const QString &name : LauncherFiles)
            QVERIFY(writeFile(file(name), "old " + name.toUtf8()));
        QVERIFY(writeFile(file(QStringLiteral("config.dat")), "player settings"));
        QVERIFY(QFile::copy(QStringLiteral(TEST_SETUP_PROGRAM), setupProgram()));
    }

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
        if (!stopAt.isEmpty()) {
            QCOMPARE(run(stopAt), 86);
            QTEST(QFile::exists(file(QStringLiteral("QuillbarrowSetup.journal"))), "journal");
            QVERIFY(!launcherStarted());
            // The launcher executable goes last, so a folder left like this still reports the old
            // launcher version and gets the update offered again.
            for (int i = 0; i < LauncherFiles.size(); ++i)
                QVERIFY(i < renamed ? isNew(LauncherFiles[i]) : isOld(LauncherFiles[i]));
        }
        QCOMPARE(run(), 0);
        for (const QString &name : LauncherFiles)
            QVERIFY2(isNew(name), qPrintable(name));
        QVERIFY(QFileInfo(file(QStringLiteral("Quillbarrow.exe"))).isExecutable());
        QCOMPARE(ReadFileVersion(QFile::encodeName(file(QStringLiteral("Quillbarrow.exe")))),
                 QByteArray("1.0.0.9"));
        QCOMPARE(leftovers(), QStringList());
        QCOMPARE(readFile(file(QStringLiteral("config.dat"))), QByteArray("player settings"));
        QTRY_VERIFY_WITH_TIMEOUT(launcherStarted(), 15000);
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
        SingleInstanceLock launcher(QStringLiteral("Quillbarrow-App"), m_runtime->path());
        QVERIFY(damageFromEnd >= 0 || launcher.tryAcquire());
        QByteArray program = readFile(setupProgram());
        if (damageFromEnd == 0)
            program.chop(1);
        else if (damageFromEnd > 0)
            program[program.size() - damageFromEnd] = char(program[program.size() - damageFromEnd] ^ 0x5a);
        QVERIFY(writeFile(setupProgram(), program));
        QByteArray errors;
        QCOMPARE(run({}, &errors), 1);
        QFETCH(QByteArray, message);
        QVERIFY2(errors.contains(message), errors.constData());
        for (const QString &name : LauncherFiles)
            QVERIFY(isOld(name));
        QCOMPARE(leftovers(), QStringList());
        QVERIFY(!launcherStarted());
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
            QFile copy(dir.filePath(entry.name));
            QVERIFY(copy.open(QIODevice::WriteOnly) && payload->copyTo(entry, copy, &error) && copy.flush());
            const bool launcher = entry.name == u"Quillbarrow.exe";
            QCOMPARE(entry.mode, launcher ? 0755u : 0644u);
            if (launcher)
                QCOMPARE(ReadFileVersion(QFile::encodeName(copy.fileName())), QByteArray("1.0.0.9"));
            else
                QCOMPARE(readFile(copy.fileName()),
                         readFile(QDir(QStringLiteral(LAUNCHER_BUILD_DIR)).filePath(entry.name)));
        }
        QCOMPARE(names, QStringLiteral(DEMO_SETUP_FILES).split(u','));
    }

private:
    QString file(const QString &name) const { return QDir(m_dir->path()).filePath(name); }
    QString setupProgram() const { return file(QStringLiteral("Temp/QuillbarrowSetup.exe")); }
    bool isNew(const QString &name) const {
        return readFile(file(name)) == readFile(QDir(QStringLiteral(TEST_PAYLOAD_DIR)).filePath(name));
    }
    bool isOld(const QString &name) const { return readFile(file(name)) == "old " + name.toUtf8(); }
    bool launcherStarted() const { return QFile::exists(file(QStringLiteral("launcher-started"))); }
    QStringList leftovers() const {
        return QDir(m_dir->path())
            .entryList({QStringLiteral("*.setup-new"), QStringLiteral("QuillbarrowSetup.journal*")},
                       QDir::Files);
    }

    // Started the way the launcher starts it: no parameters, the launcher's folder as working folder.
    int run(const QByteArray &stopAt = {}, QByteArray *errors = nullptr) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime->path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("QUILLBARROW_SETUP_TEST_LOCK_WAIT_MS"), QStringLiteral("300"));
        environment.insert(QStringLiteral("QUILLBARROW_SETUP_TEST_STOP"), QString::fromLatin1(stopAt));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_dir->path());
        process.start(setupProgram(), {});
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        if (errors)
            *errors = process.readAllStandardError();
        return process.exitCode();
    }

    std::optional<QTemporaryDir> m_dir;
    std::optional<QTemporaryDir> m_runtime; // this test's "user": its own launcher lock
};

QTEST_GUILESS_MAIN(LauncherSetupTest)
#include "LauncherSetupTest.moc"
