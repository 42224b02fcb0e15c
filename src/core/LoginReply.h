#pragma once

#include "core/FormBody.h"

#include <QByteArray>

// A reply of the login endpoint, recognised by its keyword.
struct LoginReply {
    enum class Kind {
        Ignored,          // not a reply the launcher knows: the state stays as it was
        Failed,           // "Error!"
        LogOffAccepted,   // "LogOffOK!"
        LogOffRefused,    // "ErrLogOff!"
        AccountDisabled,  // "AccDisabled!"
        WrongCredentials, // "WrongUsrPass!"
        Granted,          // "LogIn Granted!"
        ServerFull,       // "MaxClientsReached!"
    };

    Kind kind = Kind::Ignored;
    QByteArray UserName; // Granted only
    QByteArray LoginId;  // Granted only

    // The line for the chat panel; empty for Ignored and Granted.
    QByteArray ChatLine() const;
    // A refusal: play the error cue, end the login and disarm the automatic login.
    bool Refused() const;
};

// A granted reply must carry "|" name "|" id after the keyword; one without a "|" from character 16 on
// gives no name or id and counts as a failed login.
[[nodiscard]] LoginReply ClassifyLoginReply(const QByteArray &reply);

[[nodiscard]] FormFields LoginForm(const QByteArray &email, const QByteArray &password);
[[nodiscard]] FormFields LogOffForm(const QByteArray &accountEmail, const QByteArray &loginId);
