#pragma once

#include <QByteArray>

// The command line a game is started with: nothing for a game the service announces as "NoVer",
// otherwise the account's e-mail, one blank and its password (unquoted, as the games expect).
[[nodiscard]] QByteArray LaunchParameters(const QByteArray &latestVersion, const QByteArray &accountEmail,
                                          const QByteArray &accountPassword);
