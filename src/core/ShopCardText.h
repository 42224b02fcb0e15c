#pragma once

#include <QByteArray>

// The text block of a shop card: title, a blank line, genre, installed state with size, developer.
// Empty for an index outside the catalogue.
[[nodiscard]] QByteArray ShopCardText(int game, bool installed);
