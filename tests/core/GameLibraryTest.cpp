#include "core/GameLibrary.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

namespace {

QByteArray text(std::string_view s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}

QList<qint32> validEntries(const GameLibrary &library) {
    QList<qint32> list;
    for (quint32 i = 0; i < library.InstalledCount; ++i)
        list.append(library.InstalledList[i]);
    return list;
}

} // namespace

class GameLibraryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_dir.emplace();
        QVERIFY(m_dir->isValid());
        m_library.emplace(m_dir->path());
    }

    void startsWithCatalogueListing() {
        const GameLibrary &library = *m_library;
        int listed = 0;
        for (std::size_t i = 0; i < GameCount; ++i) {
            QCOMPARE(library.GameInstalled[i], false);
            QCOMPARE(library.GameRunning[i], false);
            QCOMPARE(library.ListedInShop[i], i >= 2);
            QVERIFY(library.InstalledVersion[i].isEmpty());
            QVERIFY(library.LatestVersion[i].isEmpty());
            QCOMPARE(library.ShopList[i], -1);
            QCOMPARE(library.InstalledList[i], -1);
            listed += library.ListedInShop[i] ? 1 : 0;
        }
        QCOMPARE(listed, 11);
        QCOMPARE(library.ShopCount, 0u);
        QCOMPARE(library.InstalledCount, 0u);
    }

    void derivesPathsFromTheRow() {
        for (int i = 0; i < int(GameCount); ++i) {
            const GameEntry &game = GameCatalogue()[std::size_t(i)];
            const QByteArray folder = "Games/" + text(game.FolderName);
            QCOMPARE(GameLibrary::GameFolderPath(i), folder);
            QCOMPARE(GameLibrary::ExePath(i), folder + '/' + text(game.ExeName));
            QCOMPARE(GameLibrary::ArchivePath(i), "Temp/" + text(game.ArchiveName));
        }
        QCOMPARE(GameLibrary::ExePath(-1), QByteArray());
        QCOMPARE(GameLibrary::GameFolderPath(13), QByteArray());
        QCOMPARE(GameLibrary::ArchivePath(1000), QByteArray());
        QCOMPARE(m_library->AbsolutePath("Games/A/A.exe"), m_dir->path() + QStringLiteral("/Games/A/A.exe"));
        QCOMPARE(GameLibrary(QString()).AbsolutePath("Games/A/A.exe"), QStringLiteral("Games/A/A.exe"));
    }

    void scanWithoutGamesFolder() {
        // Leftovers of an earlier scan must all be cleared.
        m_library->GameInstalled.fill(true);
        m_library->InstalledVersion.fill("9.9.9.9");
        m_library->InstalledCount = 5;
        m_library->ScanInstalled();
        QCOMPARE(m_library->InstalledCount, 0u);
        for (std::size_t i = 0; i < GameCount; ++i) {
            QCOMPARE(m_library->GameInstalled[i], false);
            QVERIFY(m_library->InstalledVersion[i].isEmpty());
        }
    }

    void scanListsInCatalogueOrder() {
        install(7, FIXTURE_V1008);
        install(3, FIXTURE_V21030);
        m_library->ScanInstalled();
        QCOMPARE(m_library->InstalledCount, 2u);
        QCOMPARE(validEntries(*m_library), QList<qint32>({3, 7}));
        QCOMPARE(m_library->InstalledVersion[3], QByteArray("2.10.3.0"));
        QCOMPARE(m_library->InstalledVersion[7], QByteArray("1.0.0.8"));
        for (std::size_t i = 0; i < GameCount; ++i)
            QCOMPARE(m_library->GameInstalled[i], i == 3 || i == 7);
    }

    void folderWithoutExecutableIsNotInstalled() {
        QVERIFY(QDir(m_dir->path()).mkpath(QString::fromUtf8(GameLibrary::GameFolderPath(5))));
        // A folder carrying the executable's name is no executable either.
        QVERIFY(QDir(m_dir->path()).mkpath(QString::fromUtf8(GameLibrary::ExePath(6))));
        m_library->ScanInstalled();
        QCOMPARE(m_library->InstalledCount, 0u);
        QCOMPARE(m_library->GameInstalled[5], false);
        QCOMPARE(m_library->GameInstalled[6], false);
    }

    void executableWithoutRecordIsInstalledWithoutVersion() {
        install(4, FIXTURE_UNVERSIONED);
        m_library->InstalledVersion[4] = "1.0.0.1";
        m_library->ScanInstalled();
        QCOMPARE(m_library->InstalledCount, 1u);
        QCOMPARE(m_library->InstalledList[0], 4);
        QCOMPARE(m_library->GameInstalled[4], true);
        QVERIFY(m_library->InstalledVersion[4].isEmpty());
    }

    void rescanAfterRemovalKeepsStaleEntry() {
        install(3, FIXTURE_V1008);
        install(7, FIXTURE_V1008);
        install(9, FIXTURE_V21030);
        m_library->ScanInstalled();
        QCOMPARE(validEntries(*m_library), QList<qint32>({3, 7, 9}));

        QVERIFY(QDir(m_library->AbsolutePath(GameLibrary::GameFolderPath(3))).removeRecursively());
        m_library->ScanInstalled();
        QCOMPARE(m_library->InstalledCount, 2u);
        QCOMPARE(validEntries(*m_library), QList<qint32>({7, 9}));
        QCOMPARE(m_library->InstalledList[2], 9); // beyond the count, left as it was
        QCOMPARE(m_library->InstalledList[3], -1);
        QCOMPARE(m_library->GameInstalled[3], false);
        QVERIFY(m_library->InstalledVersion[3].isEmpty());
        QCOMPARE(m_library->InstalledVersion[9], QByteArray("2.10.3.0"));
    }

    void linksAreFollowed() {
        const QDir base(m_dir->path());
        QVERIFY(base.mkpath(QString::fromUtf8(GameLibrary::GameFolderPath(2))));
        QVERIFY(
            QFile::link(QStringLiteral(FIXTURE_V21030), m_library->AbsolutePath(GameLibrary::ExePath(2))));
        // A dangling link is no executable.
        QVERIFY(base.mkpath(QString::fromUtf8(GameLibrary::GameFolderPath(8))));
        QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("gone.exe")),
                            m_library->AbsolutePath(GameLibrary::ExePath(8))));
        m_library->ScanInstalled();
        QCOMPARE(validEntries(*m_library), QList<qint32>({2}));
        QCOMPARE(m_library->InstalledVersion[2], QByteArray("2.10.3.0"));
        QCOMPARE(m_library->GameInstalled[8], false);
    }

private:
    void install(int index, const char *fixture) {
        const QString exe = m_library->AbsolutePath(GameLibrary::ExePath(index));
        QVERIFY(QDir(m_dir->path()).mkpath(QString::fromUtf8(GameLibrary::GameFolderPath(index))));
        QVERIFY(QFile::copy(QString::fromUtf8(fixture), exe));
    }

    std::optional<QTemporaryDir> m_dir;
    std::optional<GameLibrary> m_library;
};

QTEST_GUILESS_MAIN(GameLibraryTest)
#include "GameLibraryTest.moc"
