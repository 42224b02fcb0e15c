#include "core/InstallNames.h"

#include "core/GameCatalogue.h"

#include <charconv>

namespace {

constexpr qint64 megabyte = 1024 * 1024;
constexpr qint64 spareMB = 100;

const GameEntry *entryAt(int game) {
    if (game < 0 || std::size_t(game) >= GameCount)
        return nullptr;
    return &GameCatalogue()[std::size_t(game)];
}

QByteArray bytes(std::string_view text) {
    return QByteArray(text.data(), qsizetype(text.size()));
}

qint64 wholeNumber(std::string_view digits) {
    qint64 value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

} // namespace

bool IsSafeVersionText(const QByteArray &version) {
    if (version.isEmpty())
        return false;
    for (const char c : version) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == '.' || c == '-' || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

std::optional<QByteArray> UpdateArchiveName(int game, const QByteArray &latestVersion) {
    const GameEntry *entry = entryAt(game);
    if (!entry || !IsSafeVersionText(latestVersion))
        return std::nullopt;
    QByteArray stem = bytes(entry->ArchiveName);
    if (stem.endsWith(".zip"))
        stem.chop(4);
    return stem + ".U." + latestVersion + ".zip";
}

std::optional<QByteArray> UpdateArchivePath(int game, const QByteArray &latestVersion) {
    const GameEntry *entry = entryAt(game);
    if (!entry || !IsSafeVersionText(latestVersion))
        return std::nullopt;
    return bytes(TempFolder) + '/' + bytes(entry->FolderName) + ".U." + latestVersion + ".zip";
}

qint64 RequiredInstallSpace(int game) {
    const GameEntry *entry = entryAt(game);
    if (!entry)
        return -1;
    return (wholeNumber(entry->SizeMB) + wholeNumber(entry->SpaceDigits) + spareMB) * megabyte;
}
