#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>

// What a download is for. Fixed when it starts and carried to its end, so that the finishing step
// never takes a game update for the launcher's own setup or the other way round.
enum class DownloadPurpose {
    GameInstall,
    GameUpdate,
    LauncherSetup,
};

// One download as a starting action asks for it: base URL + file name into folder + "/" + file name.
struct DownloadRequest {
    QByteArray FileName;    // "Whisperwood.zip": a plain name, no folders
    QByteArray BaseUrl;     // the service's download address, ending in "/download/"
    QByteArray Folder;      // "Temp"
    QByteArray DisplayName; // the game's title, or "Quillbarrow Install Program"
    DownloadPurpose Purpose = DownloadPurpose::GameInstall;
    int GameIndex = -1; // catalogue index of the game; -1 for the launcher's setup

    [[nodiscard]] QString path() const;
    [[nodiscard]] QUrl url() const;
    // Why the request cannot be downloaded (a file name that leaves the folder, an address that is
    // not http or https); none when it can.
    [[nodiscard]] std::optional<QString> problem() const;
};
