#include "DemoGameInstall.h"

#include "core/GameLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString gameFolder(const QString &launcherFolder, int index) {
    return QDir(launcherFolder).filePath(QFile::decodeName(GameLibrary::GameFolderPath(index)));
}

QString exeName(int index) {
    const std::string_view name = GameCatalogue()[std::size_t(index)].ExeName;
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

} // namespace

bool installDemoGame(const QString &launcherFolder, int index) {
    const std::string_view folderName = GameCatalogue()[std::size_t(index)].FolderName;
    const QString built = QDir(QStringLiteral(DEMO_GAME_STAGE))
                              .filePath(QString::fromUtf8(folderName.data(), qsizetype(folderName.size())) +
                                        u'/' + exeName(index));
    const QString folder = gameFolder(launcherFolder, index);
    return QDir().mkpath(folder) && QFile::copy(built, QDir(folder).filePath(exeName(index)));
}

bool installUnversionedGame(const QString &launcherFolder, int index) {
    const QString folder = gameFolder(launcherFolder, index);
    if (!QDir().mkpath(folder))
        return false;
    QFile exe(QDir(folder).filePath(exeName(index)));
    if (!exe.open(QIODevice::WriteOnly) || exe.write("#!/bin/sh\nexit 0\n") < 0)
        return false;
    return exe.setPermissions(exe.permissions() | QFileDevice::ExeOwner);
}

bool removeGame(const QString &launcherFolder, int index) {
    return QDir(gameFolder(launcherFolder, index)).removeRecursively();
}

QString catalogueTitle(int index) {
    const std::string_view title = GameCatalogue()[std::size_t(index)].Title;
    return QString::fromUtf8(title.data(), qsizetype(title.size()));
}

QByteArray catalogueWindowTitle(int index) {
    const std::string_view title = GameCatalogue()[std::size_t(index)].WindowTitle;
    return QByteArray(title.data(), qsizetype(title.size()));
}
