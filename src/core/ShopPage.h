#pragma once

#include "core/GameLibrary.h"

#include <QString>

// Rebuilds ShopList and ShopCount from ListedInShop, in catalogue order, and returns the count line
// ("11 Games Available In Shop"). The shop position is not moved.
QString RebuildShopList(GameLibrary &library);

// The two cards and arrows of the shop page at a 1-based position.
struct ShopPage {
    int FirstGame = -1; // catalogue index, -1 for an empty card
    int SecondGame = -1;
    bool BackArrow = false;
    bool ForwardArrow = false;
};

// Position 0 (the shop opened before any login) counts as position 1; a card whose list entry
// lies outside ShopCount stays empty, so no stale list entry is ever shown.
[[nodiscard]] ShopPage ShopPageAt(const GameLibrary &library, quint32 shopPosition);

// The same pair over InstalledList for the My Games page; an empty card there is a placeholder.
[[nodiscard]] ShopPage InstalledPageAt(const GameLibrary &library, quint32 myGamesPosition);
