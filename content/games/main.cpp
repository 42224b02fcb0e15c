#include "GameWindow.h"
#include "core/FileVersion.h"
#include "core/GameCatalogue.h"

#include <QApplication>
#include <QFile>
#include <cstdio>

// Each demo executable is this program built for one catalogue row.
#ifndef QUILLBARROW_DEMO_GAME_INDEX
#error "QUILLBARROW_DEMO_GAME_INDEX selects the catalogue row"
#endif
static_assert(QUILLBARROW_DEMO_GAME_INDEX >= 0 && QUILLBARROW_DEMO_GAME_INDEX < static_cast<int>(GameCount));

namespace {

QByteArray ownVersion() {
    return ReadFileVersion(QFile::encodeName(QCoreApplication::applicationFilePath()));
}

} // namespace

int main(int argc, char *argv[]) {
    const GameEntry &game = GameCatalogue()[QUILLBARROW_DEMO_GAME_INDEX];

    // "--version" alone prints the record and needs no display; the launcher never passes it alone.
    if (argc == 2 && qstrcmp(argv[1], "--version") == 0) {
        const QCoreApplication app(argc, argv);
        std::printf("%s\n", ownVersion().constData());
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(
        QString::fromLatin1(game.FolderName.data(), static_cast<qsizetype>(game.FolderName.size())));
    GameWindow window(game, QString::fromLatin1(ownVersion()),
                      PlayerText::fromArguments(QApplication::arguments().mid(1)));
    window.show();
    return QApplication::exec();
}
