// Starting the selected game, or in update mode handing over to the update download.
#include "core/GameCatalogue.h"
#include "core/LaunchParameters.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "platform/ProcessLauncher.h"

namespace {

enum PlayMode { Play = 1, Update = 2 };

QByteArray bytes(std::string_view text) {
    return QByteArray(text.data(), qsizetype(text.size()));
}

} // namespace

void TMainForm::BtnPlayClick() {
    PlayClick();
    if (BtnPlay->tag() == Update) {
        UpdateSelectedGame();
        return;
    }
    if (BtnPlay->tag() != Play)
        return;
    if (!LoggedIn) {
        PlayError();
        ChatSay("You need to LogIn!");
        return;
    }
    if (SelectedGame < 0 || std::size_t(SelectedGame) >= GameCount)
        return;
    const std::size_t game = std::size_t(SelectedGame);
    const GameEntry &entry = GameCatalogue()[game];

    const QByteArray parameters =
        LaunchParameters(Library.LatestVersion[game], AccountEmail, AccountPassword);
    // The game finds its data relative to its own folder.
    const QString folder = Library.AbsolutePath(GameLibrary::GameFolderPath(int(game)));
    const QString program = Library.AbsolutePath(GameLibrary::ExePath(int(game)));
    // The window is left as it is either way; a game that does not start is at least said so.
    if (!startProgram(program, parameters, folder)) {
        PlayError();
        ChatSay(bytes(entry.Title) + " could not be started!");
    }
}
