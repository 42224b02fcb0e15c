#include "core/ShopCardText.h"
#include "core/ShopPage.h"
#include "core/ShopSearch.h"

#include <QTest>

namespace {

QList<qint32> shopListOf(const GameLibrary &library) {
    return QList<qint32>(library.ShopList.begin(), library.ShopList.begin() + library.ShopCount);
}

} // namespace

class ShopTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cardTextHasEveryBlank() {
        QCOMPARE(ShopCardText(2, false),
                 QByteArray("Starfall Drift\n \nGenre:   Racing\nCollected:  No      Size:  "
                            "1250MB\nDeveloper:  Comet Garage"));
        QCOMPARE(ShopCardText(12, true), QByteArray("Moonlit Masquerade\n \nGenre:   Mystery\nCollected:  Yes"
                                                    "      Size:  870MB\nDeveloper:  Velvet Lantern"));
        QCOMPARE(ShopCardText(-1, true), QByteArray());
        QCOMPARE(ShopCardText(13, true), QByteArray());
    }

    void rebuildsTheListInCatalogueOrder() {
        GameLibrary library({});
        QCOMPARE(RebuildShopList(library), QStringLiteral("11 Games Available In Shop"));
        QCOMPARE(shopListOf(library), (QList<qint32>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));

        library.ListedInShop.fill(false);
        library.ListedInShop[9] = library.ListedInShop[0] = true;
        QCOMPARE(RebuildShopList(library), QStringLiteral("2 Games Available In Shop"));
        QCOMPARE(shopListOf(library), (QList<qint32>{0, 9}));

        library.ListedInShop.fill(false);
        QCOMPARE(RebuildShopList(library), QStringLiteral("0 Games Available In Shop"));
    }

    void pagesOneGameAtATime() {
        GameLibrary library({});
        RebuildShopList(library);
        ShopPage page = ShopPageAt(library, 1);
        QCOMPARE(page.FirstGame, 2);
        QCOMPARE(page.SecondGame, 3);
        QVERIFY(!page.BackArrow);
        QVERIFY(page.ForwardArrow);

        // Nine forward clicks reach the last pair; each moves the second card into the first place.
        quint32 position = 1;
        while (ShopPageAt(library, position).ForwardArrow) {
            const ShopPage before = ShopPageAt(library, position);
            ++position;
            QCOMPARE(ShopPageAt(library, position).FirstGame, before.SecondGame);
        }
        QCOMPARE(position, 10u);
        page = ShopPageAt(library, position);
        QCOMPARE(page.FirstGame, 11);
        QCOMPARE(page.SecondGame, 12);
        QVERIFY(page.BackArrow);
    }

    void pageEdges_data() {
        QTest::addColumn<QList<int>>("listed");
        QTest::addColumn<quint32>("position");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<bool>("back");
        QTest::addColumn<bool>("forward");

        QTest::newRow("empty list") << QList<int>{} << 1u << -1 << -1 << false << false;
        QTest::newRow("empty list, later position") << QList<int>{} << 3u << -1 << -1 << false << false;
        QTest::newRow("one game") << QList<int>{4} << 1u << 4 << -1 << false << false;
        QTest::newRow("two games") << QList<int>{4, 6} << 1u << 4 << 6 << false << false;
        QTest::newRow("three games, end") << QList<int>{4, 6, 8} << 2u << 6 << 8 << true << false;
        QTest::newRow("before any login") << QList<int>{4, 6, 8} << 0u << 4 << 6 << false << true;
        QTest::newRow("position past the list") << QList<int>{4, 6, 8} << 3u << 8 << -1 << true << false;
        QTest::newRow("position far past the list") << QList<int>{4, 6} << 9u << -1 << -1 << true << false;
    }

    void pageEdges() {
        QFETCH(QList<int>, listed);
        QFETCH(quint32, position);
        GameLibrary library({});
        library.ListedInShop.fill(false);
        for (const int game : listed)
            library.ListedInShop[std::size_t(game)] = true;
        RebuildShopList(library);
        const ShopPage page = ShopPageAt(library, position);
        QTEST(page.FirstGame, "first");
        QTEST(page.SecondGame, "second");
        QTEST(page.BackArrow, "back");
        QTEST(page.ForwardArrow, "forward");
    }

    // My Games pages over InstalledList the same way; an entry past InstalledCount left from an earlier
    // scan is never shown.
    void installedPagesIgnoreStaleEntries() {
        GameLibrary library({});
        library.InstalledList = {3, 7, 10, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1};
        library.InstalledCount = 3;
        ShopPage page = InstalledPageAt(library, 1);
        QCOMPARE(page.FirstGame, 3);
        QCOMPARE(page.SecondGame, 7);
        QVERIFY(!page.BackArrow && page.ForwardArrow);
        page = InstalledPageAt(library, 2);
        QCOMPARE(page.SecondGame, 10);
        QVERIFY(page.BackArrow && !page.ForwardArrow);
        library.InstalledCount = 2;
        page = InstalledPageAt(library, 2);
        QCOMPARE(page.FirstGame, 7);
        QCOMPARE(page.SecondGame, -1);
        library.InstalledCount = 1;
        page = InstalledPageAt(library, 3);
        QCOMPARE(page.FirstGame, -1);
        QCOMPARE(page.SecondGame, -1);
        QCOMPARE(InstalledPageAt(library, 0).FirstGame, 3);
    }

    void searchesListedTitles_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<qint32>>("found");
        QTest::addColumn<QString>("line");

        QTest::newRow("two titles") << QStringLiteral("ri") << QList<qint32>{2, 8}
                                    << QStringLiteral("Found 2 Games of 11 Available In Shop");
        QTest::newRow("upper case matches lower") << QStringLiteral("RI") << QList<qint32>{2, 8}
                                                  << QStringLiteral("Found 2 Games of 11 Available In Shop");
        QTest::newRow("mixed case") << QStringLiteral("mOoNlIt") << QList<qint32>{12}
                                    << QStringLiteral("Found 1 Games of 11 Available In Shop");
        QTest::newRow("one blank") << QStringLiteral(" ") << QList<qint32>{2, 3, 5, 6, 8, 9, 10, 11, 12}
                                   << QStringLiteral("Found 9 Games of 11 Available In Shop");
        QTest::newRow("blanks count") << QStringLiteral("iron ") << QList<qint32>{3}
                                      << QStringLiteral("Found 1 Games of 11 Available In Shop");
        QTest::newRow("whole title") << QStringLiteral("Hexbound") << QList<qint32>{4}
                                     << QStringLiteral("Found 1 Games of 11 Available In Shop");
        QTest::newRow("longer than every title")
            << QStringLiteral("Moonlit Masquerade and more") << QList<qint32>{}
            << QStringLiteral("Found 0 Games of 11 Available In Shop");
        QTest::newRow("unlisted titles are never found")
            << QStringLiteral("Ember") << QList<qint32>{}
            << QStringLiteral("Found 0 Games of 11 Available In Shop");
        QTest::newRow("genre is not searched") << QStringLiteral("Racing") << QList<qint32>{}
                                               << QStringLiteral("Found 0 Games of 11 Available In Shop");
        QTest::newRow("non-ASCII text") << QStringLiteral("ü") << QList<qint32>{}
                                        << QStringLiteral("Found 0 Games of 11 Available In Shop");
    }

    void searchesListedTitles() {
        QFETCH(QString, text);
        GameLibrary library({});
        const QString line = SearchShop(library, text, QLocale(QLocale::English));
        QTEST(shopListOf(library), "found");
        QTEST(line, "line");
    }

    void searchFollowsTheListing() {
        GameLibrary library({});
        library.ListedInShop[0] = true;
        QCOMPARE(SearchShop(library, QStringLiteral("HOLLOW"), QLocale(QLocale::English)),
                 QStringLiteral("Found 1 Games of 12 Available In Shop"));
        QCOMPARE(shopListOf(library), QList<qint32>{0});
    }

    void matchesInTheGivenLocale() {
        QVERIFY(TitleMatches(u"Ärger im Schloss", u"äRGER", QLocale(QLocale::German)));
        QVERIFY(TitleMatches(u"ab", u"AB", QLocale::c()));
        QVERIFY(!TitleMatches(u"ab", u"abc", QLocale::c()));
        QVERIFY(TitleMatches(u"ab", u"", QLocale::c()));
    }
};

QTEST_GUILESS_MAIN(ShopTest)
#include "ShopTest.moc"
