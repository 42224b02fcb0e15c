#include "core/GameLibrary.h"

#include "core/InstallNames.h"
#include "core/LaunchParameters.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray text(std::string_view s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}

QList<qint32> installed(const GameLibrary &library) {
    return QList<qint32>(library.InstalledList.begin(),
                         library.InstalledList.begin() + library.InstalledCount);
}

} // namespace

class GameLibraryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Downloads name the archive by ArchiveName, unpacking and the scan use FolderName and ExeName, the
    // running-game watch knows a game by its window title alone: rows must agree and differ.
    void catalogueRowsAgree() {
        QSet<QByteArray> folders, windowTitles;
        for (int i = 0; i < int(GameCount); ++i) {
            const GameEntry &game = GameCatalogue()[std::size_t(i)];
            const QByteArray folder = text(game.FolderName);
            QCOMPARE(GameLibrary::ArchivePath(i), "Temp/" + folder + ".zip");
            QCOMPARE(GameLibrary::ExePath(i), "Games/" + folder + '/' + folder + ".exe");
            folders.insert(folder.toLower());
            windowTitles.insert(text(game.WindowTitle));
        }
        QCOMPARE(folders.size(), qsizetype(GameCount));
        QCOMPARE(windowTitles.size(), qsizetype(GameCount));
        QCOMPARE(GameLibrary::ExePath(-1), QByteArray());
    }

    // Installed exactly when the executable exists (links followed), in catalogue order, with the
    // version of its record; entries past the count are left as they were.
    void scanFindsInstalledGames() {
        QTemporaryDir dir;
        GameLibrary library(dir.path());
        library.GameInstalled.fill(true); // leftovers of an earlier scan
        library.InstalledVersion.fill("9.9.9.9");
        const auto install = [&](int index, const QString &fixture) {
            return QDir(dir.path()).mkpath(QString::fromUtf8(GameLibrary::GameFolderPath(index))) &&
                   QFile::link(fixture, library.AbsolutePath(GameLibrary::ExePath(index)));
        };
        QVERIFY(install(9, QStringLiteral(FIXTURE_V1008)));
        QVERIFY(install(3, QStringLiteral(FIXTURE_V21030)));
        QVERIFY(install(4, QStringLiteral(FIXTURE_UNVERSIONED)));
        QVERIFY(install(8, dir.filePath(QStringLiteral("gone.exe")))); // a dangling link
        QVERIFY(QDir(dir.path()).mkpath(QString::fromUtf8(GameLibrary::GameFolderPath(5))));
        QVERIFY(QDir(dir.path()).mkpath(QString::fromUtf8(GameLibrary::ExePath(6)))); // a folder
        library.ScanInstalled();
        QCOMPARE(installed(library), (QList<qint32>{3, 4, 9}));
        QCOMPARE((QList<QByteArray>{library.InstalledVersion[3], library.InstalledVersion[4],
                                    library.InstalledVersion[9]}),
                 (QList<QByteArray>{"2.10.3.0", "", "1.0.0.8"}));
        for (std::size_t i = 0; i < GameCount; ++i)
            QCOMPARE(library.GameInstalled[i], i == 3 || i == 4 || i == 9);

        QVERIFY(QDir(library.AbsolutePath(GameLibrary::GameFolderPath(3))).removeRecursively());
        library.ScanInstalled();
        QCOMPARE(installed(library), (QList<qint32>{4, 9}));
        QCOMPARE(library.InstalledList[2], 9);
        QVERIFY(!library.GameInstalled[3] && library.InstalledVersion[3].isEmpty());
    }

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

QTEST_GUILESS_MAIN(GameLibraryTest)
#include "GameLibraryTest.moc"
