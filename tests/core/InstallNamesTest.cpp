#include "core/InstallNames.h"

#include "core/LaunchParameters.h"

#include <QTest>

class InstallNamesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The announced version becomes part of a file name in Temp: nothing may lead out of it.
    void namesTheUpdateArchive_data() {
        QTest::addColumn<int>("game");
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<QByteArray>("path"); // "-": refused
        QTest::newRow("announced version")
            << 4 << QByteArray("1.2.0.4") << QByteArray("Temp/Hexbound.U.1.2.0.4.zip");
        QTest::newRow("letters and marks")
            << 12 << QByteArray("2.0-beta_1") << QByteArray("Temp/MoonlitMasquerade.U.2.0-beta_1.zip");
        QTest::newRow("Unknown is a name like any")
            << 0 << QByteArray("Unknown") << QByteArray("Temp/EmberHollow.U.Unknown.zip");
        QTest::newRow("leaves the folder") << 4 << QByteArray("1/../../../x") << QByteArray("-");
        QTest::newRow("backslash") << 4 << QByteArray("..\\x") << QByteArray("-");
        QTest::newRow("address characters") << 4 << QByteArray("1?a=b#c") << QByteArray("-");
        QTest::newRow("blank") << 4 << QByteArray("1 2") << QByteArray("-");
        QTest::newRow("nothing announced") << 4 << QByteArray() << QByteArray("-");
        QTest::newRow("no such game") << 13 << QByteArray("1.0") << QByteArray("-");
    }
    void namesTheUpdateArchive() {
        QFETCH(int, game);
        QFETCH(QByteArray, version);
        QFETCH(QByteArray, path);
        QCOMPARE(UpdateArchivePath(game, version).value_or("-"), path);
        QCOMPARE(UpdateArchiveName(game, version).value_or("-"), path == "-" ? path : path.mid(5));
    }

    void requiresSpaceForGameArchiveAndSpare() {
        constexpr qint64 MB = 1024 * 1024;
        QCOMPARE(RequiredInstallSpace(4), (95 + 64 + 100) * MB);
        QCOMPARE(RequiredInstallSpace(5), (4800 + 900 + 100) * MB);
        QCOMPARE(RequiredInstallSpace(13), -1);
    }

    // A game announced as NoVer starts without the account; every other one gets it as plain text.
    void launchParameters() {
        const QByteArray account = "ann@example.org pass word";
        QCOMPARE(LaunchParameters("NoVer", "ann@example.org", "pass word"), QByteArray());
        for (const QByteArray &latest :
             {QByteArray("1.2"), QByteArray("Unknown"), QByteArray(), QByteArray("NOVER")})
            QCOMPARE(LaunchParameters(latest, "ann@example.org", "pass word"), account);
    }
};

QTEST_GUILESS_MAIN(InstallNamesTest)
#include "InstallNamesTest.moc"
