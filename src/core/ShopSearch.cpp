#include "core/ShopSearch.h"

#include "core/ShopPage.h"

bool TitleMatches(QStringView title, QStringView searchText, const QLocale &locale) {
    const qsizetype n = searchText.size();
    if (title.size() < n)
        return false;
    // Each window is lowered on its own, as the launcher does, rather than the whole title at once.
    const QString wanted = locale.toLower(searchText.toString());
    for (qsizetype start = 0; start + n <= title.size(); ++start) {
        if (locale.toLower(title.mid(start, n).toString()) == wanted)
            return true;
    }
    return false;
}

QString SearchShop(GameLibrary &library, const QString &searchText, const QLocale &locale) {
    RebuildShopList(library);
    const quint32 listed = library.ShopCount;
    library.ShopCount = 0;
    for (std::size_t i = 0; i < GameCount; ++i) {
        if (!library.ListedInShop[i])
            continue;
        const std::string_view title = GameCatalogue()[i].Title;
        if (TitleMatches(QString::fromUtf8(title.data(), qsizetype(title.size())), searchText, locale))
            library.ShopList[library.ShopCount++] = qint32(i);
    }
    return QStringLiteral("Found ") + QString::number(library.ShopCount) + QStringLiteral(" Games of ") +
           QString::number(listed) + QStringLiteral(" Available In Shop");
}
