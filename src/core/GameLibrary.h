#pragma once

#include "core/GameCatalogue.h"

#include <QByteArray>
#include <QString>
#include <array>

// What the launcher learns about the catalogue's games at run time, indexed by catalogue index, and
// the two index lists the shop and My Games page through. Owned by the main window; written on the
// UI thread only.
class GameLibrary {
public:
    // Game paths are resolved below baseFolder (the launcher's working folder).
    explicit GameLibrary(QString baseFolder);

    const QString &BaseFolder() const { return m_baseFolder; }

    // Paths of a catalogue row relative to the base folder, "/" separated; empty for an index
    // outside the catalogue.
    static QByteArray ExePath(int index);
    static QByteArray GameFolderPath(int index);
    static QByteArray ArchivePath(int index);

    // The same paths made absolute below the base folder.
    QString AbsolutePath(const QByteArray &relative) const;

    // A game is installed exactly when its executable exists (links followed); its version is read
    // from the executable's record. Rewrites GameInstalled, InstalledVersion and the first
    // InstalledCount entries of InstalledList; later entries keep what they held.
    void ScanInstalled();

    std::array<bool, GameCount> GameInstalled{};
    std::array<bool, GameCount> GameRunning{};
    std::array<bool, GameCount> ListedInShop{};
    std::array<QByteArray, GameCount> InstalledVersion;
    std::array<QByteArray, GameCount> LatestVersion;

    // Only the first ShopCount / InstalledCount entries are valid.
    std::array<qint32, GameCount> ShopList{};
    std::array<qint32, GameCount> InstalledList{};
    quint32 ShopCount = 0;
    quint32 InstalledCount = 0;

private:
    QString m_baseFolder;
};
