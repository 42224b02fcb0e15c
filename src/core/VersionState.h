#pragma once

#include <QByteArray>
#include <optional>
#include <string_view>

// The mode of the middle action button, kept in its tag.
enum class PlayMode : int { Play = 1, Update = 2 };

// The installed copy is current when its version equals the announced one exactly, or when the service
// announces "NoVer" (a game that is never updated).
[[nodiscard]] bool IsCurrentVersion(const QByteArray &installedVersion, const QByteArray &latestVersion);

// The action buttons of the game detail panel for one game.
struct GameActionState {
    bool InstallVisible = false;
    bool PlayVisible = false;
    bool PlayEnabled = false;
    bool DeleteVisible = false;
    bool DeleteEnabled = false;
    PlayMode Mode = PlayMode::Play;
    std::optional<std::string_view> PlayPicture; // "ButtonPlay" / "ButtonUpdate"; none: keep the bitmap
};

[[nodiscard]] GameActionState DecideGameActions(bool installed, bool running, bool jobBusy,
                                                const QByteArray &installedVersion,
                                                const QByteArray &latestVersion);
