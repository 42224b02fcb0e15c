#pragma once

#include <QByteArray>
#include <QString>

// Puts the built demo game of catalogue entry `index` into <launcherFolder>/Games/<FolderName>/ as an
// installation leaves it: the executable with its version record. False when the build lacks it.
bool installDemoGame(const QString &launcherFolder, int index);

// An executable without any version record in the game's place (a script that only exits).
bool installUnversionedGame(const QString &launcherFolder, int index);

// Removes the game's folder, as a removal does.
bool removeGame(const QString &launcherFolder, int index);

// The catalogue's text columns as the tests compare them.
QString catalogueTitle(int index);
QByteArray catalogueWindowTitle(int index);
