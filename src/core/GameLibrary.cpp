#include "core/GameLibrary.h"

#include "core/FileVersion.h"

#include <QFile>
#include <QFileInfo>
#include <utility>

namespace {

QByteArray join(std::string_view folder, std::string_view name) {
    return QByteArray(folder.data(), qsizetype(folder.size())) + '/' +
           QByteArray(name.data(), qsizetype(name.size()));
}

bool validIndex(int index) {
    return index >= 0 && std::size_t(index) < GameCount;
}

} // namespace

GameLibrary::GameLibrary(QString baseFolder)
    : m_baseFolder(std::move(baseFolder)) {
    for (std::size_t i = 0; i < GameCount; ++i)
        ListedInShop[i] = GameCatalogue()[i].ListedAtStart;
    ShopList.fill(-1);
    InstalledList.fill(-1);
}

QByteArray GameLibrary::ExePath(int index) {
    if (!validIndex(index))
        return {};
    const GameEntry &game = GameCatalogue()[std::size_t(index)];
    return GameFolderPath(index) + '/' + QByteArray(game.ExeName.data(), qsizetype(game.ExeName.size()));
}

QByteArray GameLibrary::GameFolderPath(int index) {
    if (!validIndex(index))
        return {};
    return join(GamesFolder, GameCatalogue()[std::size_t(index)].FolderName);
}

QByteArray GameLibrary::ArchivePath(int index) {
    if (!validIndex(index))
        return {};
    return join(TempFolder, GameCatalogue()[std::size_t(index)].ArchiveName);
}

QString GameLibrary::AbsolutePath(const QByteArray &relative) const {
    if (m_baseFolder.isEmpty())
        return QFile::decodeName(relative);
    return m_baseFolder + u'/' + QFile::decodeName(relative);
}

void GameLibrary::ScanInstalled() {
    InstalledCount = 0;
    for (std::size_t i = 0; i < GameCount; ++i) {
        const QString exe = AbsolutePath(ExePath(int(i)));
        // QFileInfo follows links; a folder that merely carries the executable's name is no game.
        const QFileInfo info(exe);
        if (info.exists() && !info.isDir()) {
            GameInstalled[i] = true;
            InstalledVersion[i] = ReadFileVersion(QFile::encodeName(exe));
            InstalledList[InstalledCount] = qint32(i);
            ++InstalledCount;
        } else {
            GameInstalled[i] = false;
            InstalledVersion[i].clear();
        }
    }
}
