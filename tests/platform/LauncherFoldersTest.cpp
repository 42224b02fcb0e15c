// Where the launcher writes: beside itself when it may, else below the player's data home.
#include "platform/LauncherFolders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class LauncherFoldersTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rule_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("working");
        QTest::addColumn<bool>("portable");
        QTest::newRow("a folder of its own")
            << "/home/ann/games/Quillbarrow/" << true << "/home/ann/games/Quillbarrow" << true;
        QTest::newRow("installed by the system")
            << "/usr/lib/quillbarrow" << false << "/home/ann/.local/share/Quillbarrow" << false;
    }

    void rule() {
        QFETCH(QString, program);
        QFETCH(bool, writable);
        const LauncherFolders folders =
            LauncherFolders::choose(program, writable, QStringLiteral("/home/ann/.local/share/"));
        QCOMPARE(folders.programFolder, QDir::cleanPath(program));
        QTEST(folders.workingFolder, "working");
        QTEST(folders.portable, "portable");
    }

    // The rule on this machine: the folder's real write permission and $XDG_DATA_HOME, or
    // ~/.local/share when that is unset.
    void machine() {
        QTemporaryDir program;
        QTemporaryDir dataHome;
        QVERIFY(program.isValid() && dataHome.isValid());
        const QByteArray savedXdg = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));

        const LauncherFolders own = LauncherFolders::forProgram(program.path());
        QVERIFY(own.portable);
        QCOMPARE(own.workingFolder, program.path());
        // A folder nobody can write into, whoever runs the test: one that is not there.
        const QString gone = program.filePath(QStringLiteral("gone"));
        const LauncherFolders installed = LauncherFolders::forProgram(gone);
        QVERIFY(!installed.portable);
        QCOMPARE(installed.programFolder, gone);
        QCOMPARE(installed.workingFolder, dataHome.filePath(QStringLiteral("Quillbarrow")));

        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(LauncherFolders::forProgram(gone).workingFolder,
                 QDir::home().filePath(QStringLiteral(".local/share/Quillbarrow")));
        if (!savedXdg.isNull())
            qputenv("XDG_DATA_HOME", savedXdg);
    }
};

QTEST_GUILESS_MAIN(LauncherFoldersTest)
#include "LauncherFoldersTest.moc"
