#include "core/GameCatalogue.h"

#include <QSet>
#include <QTest>
#include <algorithm>

namespace {

QByteArray text(std::string_view s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}

bool allDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

// The update names its archive from ArchiveName when downloading and from FolderName when
// unpacking, and pictures are found by ImageName: rows must agree with each other.
class GameCatalogueTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rowsAreConsistent_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(GameCount); ++i)
            QTest::addRow("%d %s", i, text(GameCatalogue()[std::size_t(i)].Title).constData()) << i;
    }
    void rowsAreConsistent() {
        QFETCH(int, index);
        const GameEntry &game = GameCatalogue()[std::size_t(index)];
        const QByteArray folder = text(game.FolderName);
        QVERIFY(!folder.isEmpty());
        QCOMPARE(text(game.ArchiveName), folder + ".zip");
        QCOMPARE(text(game.ExeName), folder + ".exe");
        QCOMPARE(text(game.ImageName), folder);
        // Folder names become paths and command lines: no blanks, no separators.
        for (const char c : folder)
            QVERIFY2(c > ' ' && c < 127 && c != '/' && c != '\\', folder.constData());

        QVERIFY(allDigits(game.SizeMB));
        QVERIFY(allDigits(game.SpaceDigits));
        QVERIFY(text(game.SpaceDigits).toInt() < 1000);
        QVERIFY(game.RemovalWait > 0);
        for (const std::string_view column : {game.Title, game.Genre, game.WindowTitle, game.Developer})
            QVERIFY(!column.empty());
        QCOMPARE(game.ListedAtStart, index >= 2);
    }

    void namesAreDistinct() {
        QSet<QByteArray> folders;
        QSet<QByteArray> titles;
        QSet<QByteArray> windowTitles;
        for (const GameEntry &game : GameCatalogue()) {
            folders.insert(text(game.FolderName).toLower());
            titles.insert(text(game.Title));
            windowTitles.insert(text(game.WindowTitle));
        }
        QCOMPARE(folders.size(), qsizetype(GameCount));
        QCOMPARE(titles.size(), qsizetype(GameCount));
        // The running-game watch finds a game by its window title alone.
        QCOMPARE(windowTitles.size(), qsizetype(GameCount));
    }
};

QTEST_GUILESS_MAIN(GameCatalogueTest)
#include "GameCatalogueTest.moc"
