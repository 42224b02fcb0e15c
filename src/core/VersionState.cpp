#include "core/VersionState.h"

bool IsCurrentVersion(const QByteArray &installedVersion, const QByteArray &latestVersion) {
    return installedVersion == latestVersion || latestVersion == "NoVer";
}

GameActionState DecideGameActions(bool installed, bool running, bool jobBusy,
                                  const QByteArray &installedVersion, const QByteArray &latestVersion) {
    GameActionState state;
    if (!installed) {
        state.InstallVisible = !jobBusy;
        return state;
    }
    state.PlayVisible = true;
    state.DeleteVisible = true;
    state.PlayEnabled = !running;
    state.DeleteEnabled = !running;
    const bool current = IsCurrentVersion(installedVersion, latestVersion);
    state.Mode = current ? PlayMode::Play : PlayMode::Update;
    state.PlayPicture = current ? std::string_view("ButtonPlay") : std::string_view("ButtonUpdate");
    return state;
}
