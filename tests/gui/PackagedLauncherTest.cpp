// A launcher installed by the system: bundles beside the executable, everything it writes in the
// player's folder, and updates left to the package manager.
#include "TestWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class PackagedLauncherTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsBesideItselfAndWritesInThePlayersFolder() {
        TestWindow f;
        QTemporaryDir player;
        QVERIFY(player.isValid());
        f.adjust = [&](MainFormDependencies &d) {
            d.programFolder = f.folder.path();
            d.workingFolder = player.path();
            d.portable = false;
        };
        QVERIFY(f.start());
        QVERIFY(!f.picture("LogInBckg").isNull());
        for (const char *table : {"Quillbarrow.dat", "config.dat"}) {
            QVERIFY2(QFileInfo::exists(player.filePath(QLatin1String(table))), table);
            QVERIFY2(!QFileInfo::exists(f.path(QLatin1String(table))), table);
        }

        // The announced launcher is newer: the player is sent to the package manager, no setup comes.
        f.form->BtnUpdateClick();
        QVERIFY(f.chat().contains(QStringLiteral("system's package manager")));
        QVERIFY(!f.form->JobBusy);
        QVERIFY(!QFileInfo::exists(player.filePath(QStringLiteral("Temp"))));
        QVERIFY(!QFileInfo::exists(f.path(QStringLiteral("Temp"))));
    }
};

QTEST_MAIN(PackagedLauncherTest)
#include "PackagedLauncherTest.moc"
