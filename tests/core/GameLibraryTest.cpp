#include "core/GameLibrary.h"

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
            for (const char c : folder) // folder names become paths and command lines
                QVERIFY2(c > ' ' && c < 127 && c != '/' && c != '\\', folder.constData());
            QCOMPARE(GameLibrary::ArchivePath(i), "Temp/" + folder + ".zip");
            QCOMPARE(GameLibrary::ExePath(i), "Games/" + folder + '/' + folder + ".exe");
            QCOMPARE(text(game.ImageName), folder);
            folders.insert(folder.toLower());
            windowTitles.insert(text(game.WindowTitle));
        }
        QCOMPARE(folders.size(), qsizetype(GameCount));
        QCOMPARE(windowTitles.size(), qsizetype(GameCount));
        QCOMPARE(GameLibrary::ExePath(-1), QByteArray());
        QCOMPARE(GameLibrary::GameFolderPath(int(GameCount)), QByteArray());
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
        QCOMPARE(library.InstalledVersion[3], QByteArray("2.10.3.0"));
        QCOMPARE(library.InstalledVersion[4], QByteArray());
        QCOMPARE(library.InstalledVersion[9], QByteArray("1.0.0.8"));
        for (std::size_t i = 0; i < GameCount; ++i)
            QCOMPARE(library.GameInstalled[i], i == 3 || i == 4 || i == 9);

        QVERIFY(QDir(library.AbsolutePath(GameLibrary::GameFolderPath(3))).removeRecursively());
        library.ScanInstalled();
        QCOMPARE(installed(library), (QList<qint32>{4, 9}));
        QCOMPARE(library.InstalledList[2], 9);
        QVERIFY(!library.GameInstalled[3] && library.InstalledVersion[3].isEmpty());
    }
};

QTEST_GUILESS_MAIN(GameLibraryTest)
#include "GameLibraryTest.moc"
