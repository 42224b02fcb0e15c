#include "core/InstallNames.h"

#include "core/LaunchParameters.h"

#include <QTest>

class InstallNamesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void namesTheUpdateArchive_data() {
        QTest::addColumn<int>("game");
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<QByteArray>("name"); // "-": refused
        QTest::addColumn<QByteArray>("path");

        QTest::newRow("announced version")
            << 4 << QByteArray("1.2.0.4") << QByteArray("Hexbound.U.1.2.0.4.zip")
            << QByteArray("Temp/Hexbound.U.1.2.0.4.zip");
        QTest::newRow("letters and marks")
            << 12 << QByteArray("2.0-beta_1") << QByteArray("MoonlitMasquerade.U.2.0-beta_1.zip")
            << QByteArray("Temp/MoonlitMasquerade.U.2.0-beta_1.zip");
        QTest::newRow("Unknown is a name like any")
            << 0 << QByteArray("Unknown") << QByteArray("EmberHollow.U.Unknown.zip")
            << QByteArray("Temp/EmberHollow.U.Unknown.zip");
        QTest::newRow("leaves the folder")
            << 4 << QByteArray("1/../../../x") << QByteArray("-") << QByteArray("-");
        QTest::newRow("backslash") << 4 << QByteArray("..\\x") << QByteArray("-") << QByteArray("-");
        QTest::newRow("address characters")
            << 4 << QByteArray("1?a=b#c") << QByteArray("-") << QByteArray("-");
        QTest::newRow("blank") << 4 << QByteArray("1 2") << QByteArray("-") << QByteArray("-");
        QTest::newRow("nothing announced") << 4 << QByteArray() << QByteArray("-") << QByteArray("-");
        QTest::newRow("no such game") << 13 << QByteArray("1.0") << QByteArray("-") << QByteArray("-");
    }

    void namesTheUpdateArchive() {
        QFETCH(int, game);
        QFETCH(QByteArray, version);
        QTEST(UpdateArchiveName(game, version).value_or("-"), "name");
        QTEST(UpdateArchivePath(game, version).value_or("-"), "path");
    }

    void requiresSpaceForGameArchiveAndSpare() {
        constexpr qint64 MB = 1024 * 1024;
        QCOMPARE(RequiredInstallSpace(4), (95 + 64 + 100) * MB);
        QCOMPARE(RequiredInstallSpace(5), (4800 + 900 + 100) * MB);
        QCOMPARE(RequiredInstallSpace(-1), -1);
        QCOMPARE(RequiredInstallSpace(13), -1);
    }

    void launchParameters_data() {
        QTest::addColumn<QByteArray>("latest");
        QTest::addColumn<QByteArray>("parameters");

        QTest::newRow("NoVer starts without account") << QByteArray("NoVer") << QByteArray();
        QTest::newRow("announced version") << QByteArray("1.2") << QByteArray("ann@example.org pass word");
        QTest::newRow("service unknown") << QByteArray("Unknown") << QByteArray("ann@example.org pass word");
        QTest::newRow("before the first answer") << QByteArray() << QByteArray("ann@example.org pass word");
        QTest::newRow("NoVer is case-sensitive")
            << QByteArray("NOVER") << QByteArray("ann@example.org pass word");
    }

    void launchParameters() {
        QFETCH(QByteArray, latest);
        QTEST(LaunchParameters(latest, "ann@example.org", "pass word"), "parameters");
    }
};

QTEST_GUILESS_MAIN(InstallNamesTest)
#include "InstallNamesTest.moc"
