// A launcher installed by the system: bundles beside the executable, everything it writes in the
// player's folder, and updates left to the package manager.
#include "MainFormFixture.h"

#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

class PackagedLauncherTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsBesideItselfAndWritesInThePlayersFolder() {
        MainFormFixture f;
        QTemporaryDir player;
        QVERIFY(player.isValid());
        QVERIFY(f.startWithSkin([&](MainFormDependencies &d) {
            d.programFolder = f.folder.path();
            d.workingFolder = player.path();
            d.portable = false;
        }));
        QVERIFY(!bundlePicture(*f.form, "LogInBckg").isNull());
        for (const char *table : {"Quillbarrow.dat", "config.dat"}) {
            QVERIFY2(QFileInfo::exists(player.filePath(QLatin1String(table))), table);
            QVERIFY2(!QFileInfo::exists(f.path(QLatin1String(table))), table);
        }

        // The announced launcher is newer: the player is sent to the package manager, no setup comes.
        f.form->BtnUpdateClick();
        QVERIFY(f.form->ChatAll->toPlainText().contains(QStringLiteral("system's package manager")));
        QVERIFY(!f.form->JobBusy);
        QVERIFY(!QFileInfo::exists(player.filePath(QStringLiteral("Temp"))));
        QVERIFY(!QFileInfo::exists(f.path(QStringLiteral("Temp"))));
    }
};

QTEST_MAIN(PackagedLauncherTest)
#include "PackagedLauncherTest.moc"
