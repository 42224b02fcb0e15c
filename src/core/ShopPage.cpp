#include "core/ShopPage.h"

QString RebuildShopList(GameLibrary &library) {
    library.ShopCount = 0;
    for (std::size_t i = 0; i < GameCount; ++i) {
        if (library.ListedInShop[i])
            library.ShopList[library.ShopCount++] = qint32(i);
    }
    return QString::number(library.ShopCount) + QStringLiteral(" Games Available In Shop");
}

namespace {

ShopPage pageAt(const std::array<qint32, GameCount> &list, quint32 count, quint32 listPosition) {
    const quint32 position = qMax(listPosition, 1u);
    ShopPage page;
    const auto gameAt = [&](quint32 entry) { return entry < count ? list[entry] : -1; };
    page.FirstGame = gameAt(position - 1);
    page.SecondGame = count >= 2 ? gameAt(position) : -1;
    page.BackArrow = position > 1 && count != 0;
    page.ForwardArrow = quint64(position) + 1 < count;
    return page;
}

} // namespace

ShopPage ShopPageAt(const GameLibrary &library, quint32 shopPosition) {
    return pageAt(library.ShopList, library.ShopCount, shopPosition);
}

ShopPage InstalledPageAt(const GameLibrary &library, quint32 myGamesPosition) {
    return pageAt(library.InstalledList, library.InstalledCount, myGamesPosition);
}
