#pragma once

#include <QString>
#include <QStringList>

// What a demo game shows about the account it was started with. The launcher passes the e-mail
// address and the password as one command line split at blanks, so a password with blanks arrives
// as several words; the password itself is never shown, only its length.
struct PlayerText {
    QString account; // "Signed in as <email>" or "Offline demo"
    QString secret;  // "password: N characters", empty when offline

    // arguments: the command line without the program name.
    static PlayerText fromArguments(const QStringList &arguments);
};
