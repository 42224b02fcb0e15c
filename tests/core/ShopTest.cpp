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
    // The shop and My Games page the same way; a list entry past the count, left from an earlier
    // list, is never shown.
    void pagesTwoGamesAtATime_data() {
        QTest::addColumn<QList<int>>("list");
        QTest::addColumn<quint32>("count");
        QTest::addColumn<quint32>("position");
        QTest::addColumn<QList<int>>("page"); // first, second, back arrow, forward arrow
        const QList<int> all{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        QTest::newRow("empty list") << QList<int>{} << 0u << 1u << QList<int>{-1, -1, 0, 0};
        QTest::newRow("before any login") << QList<int>{4, 6, 8} << 3u << 0u << QList<int>{4, 6, 0, 1};
        QTest::newRow("one game") << QList<int>{4} << 1u << 1u << QList<int>{4, -1, 0, 0};
        QTest::newRow("three games, end") << QList<int>{4, 6, 8} << 3u << 2u << QList<int>{6, 8, 1, 0};
        QTest::newRow("stale entry past the count")
            << QList<int>{3, 7, 10, 12} << 2u << 2u << QList<int>{7, -1, 1, 0};
        QTest::newRow("position past the list")
            << QList<int>{3, 7, 10} << 1u << 3u << QList<int>{-1, -1, 1, 0};
        QTest::newRow("full list, last pair") << all << 13u << 12u << QList<int>{11, 12, 1, 0};
        QTest::newRow("full list, past the end") << all << 13u << 13u << QList<int>{12, -1, 1, 0};
    }
    void pagesTwoGamesAtATime() {
        QFETCH(QList<int>, list);
        QFETCH(quint32, count);
        QFETCH(quint32, position);
        GameLibrary library({});
        library.ShopList.fill(-1);
        std::copy(list.begin(), list.end(), library.ShopList.begin());
        library.InstalledList = library.ShopList;
        library.ShopCount = library.InstalledCount = count;
        for (const ShopPage &page : {ShopPageAt(library, position), InstalledPageAt(library, position)})
            QTEST((QList<int>{page.FirstGame, page.SecondGame, page.BackArrow, page.ForwardArrow}), "page");
    }

    void rebuildsTheListInCatalogueOrder() {
        GameLibrary library({});
        QCOMPARE(RebuildShopList(library), QStringLiteral("11 Games Available In Shop"));
        library.ListedInShop.fill(false);
        library.ListedInShop[9] = library.ListedInShop[0] = true;
        QCOMPARE(RebuildShopList(library), QStringLiteral("2 Games Available In Shop"));
        QCOMPARE(shopListOf(library), (QList<qint32>{0, 9}));
    }

    // Titles only, of listed games, case-blind in the given locale; blanks count.
    void searchesListedTitles_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<qint32>>("found");
        QTest::newRow("two titles, upper case") << QStringLiteral("RI") << QList<qint32>{2, 8};
        QTest::newRow("mixed case") << QStringLiteral("mOoNlIt") << QList<qint32>{12};
        QTest::newRow("one blank") << QStringLiteral(" ") << QList<qint32>{2, 3, 5, 6, 8, 9, 10, 11, 12};
        QTest::newRow("longer than every title")
            << QStringLiteral("Moonlit Masquerade and more") << QList<qint32>{};
        QTest::newRow("unlisted title") << QStringLiteral("Ember") << QList<qint32>{};
        QTest::newRow("genre") << QStringLiteral("Racing") << QList<qint32>{};
    }
    void searchesListedTitles() {
        QFETCH(QString, text);
        QFETCH(QList<qint32>, found);
        GameLibrary library({});
        QCOMPARE(SearchShop(library, text, QLocale(QLocale::English)),
                 QStringLiteral("Found %1 Games of 11 Available In Shop").arg(found.size()));
        QCOMPARE(shopListOf(library), found);
        QVERIFY(TitleMatches(u"Ärger im Schloss", u"äRGER", QLocale(QLocale::German)));
    }
};

QTEST_GUILESS_MAIN(ShopTest)
#include "ShopTest.moc"
