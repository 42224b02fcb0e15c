#include "core/ShopCardText.h"

#include "core/GameCatalogue.h"

namespace {

QByteArray bytes(std::string_view text) {
    return QByteArray(text.data(), qsizetype(text.size()));
}

} // namespace

QByteArray ShopCardText(int game, bool installed) {
    if (game < 0 || std::size_t(game) >= GameCount)
        return {};
    const GameEntry &entry = GameCatalogue()[std::size_t(game)];
    return bytes(entry.Title) + "\n \n" + "Genre:   " + bytes(entry.Genre) + "\n" +
           "Collected:  " + (installed ? "Yes" : "No") + "      Size:  " + bytes(entry.SizeMB) + "MB" + "\n" +
           "Developer:  " + bytes(entry.Developer);
}
