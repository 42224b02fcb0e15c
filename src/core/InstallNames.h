#pragma once

#include <QByteArray>
#include <optional>

// A version text the service announced, fit to be part of a file name and a download address: ASCII
// letters, digits, ".", "-" and "_", not empty. Anything else (a "/", a blank, "%") could move the
// update archive out of the download folder or change the address.
[[nodiscard]] bool IsSafeVersionText(const QByteArray &version);

// The update archive of a catalogue game as the service names it: ArchiveName without ".zip", then
// ".U.", the announced version and ".zip" ("Name.zip", "1.2.0.4" -> "Name.U.1.2.0.4.zip"). None for an
// index outside the catalogue or a version that is not safe.
[[nodiscard]] std::optional<QByteArray> UpdateArchiveName(int game, const QByteArray &latestVersion);

// Where that archive is kept while it is unpacked: "Temp/" + FolderName + ".U." + version + ".zip".
[[nodiscard]] std::optional<QByteArray> UpdateArchivePath(int game, const QByteArray &latestVersion);

// Free bytes the installation of a catalogue game needs: the game (SizeMB), its archive held in the
// download folder while it is unpacked (SpaceDigits) and 100 MB to spare, each MB 1024 x 1024 bytes.
// The installation is refused when this is not below the free space. -1 for an index outside the
// catalogue.
[[nodiscard]] qint64 RequiredInstallSpace(int game);
