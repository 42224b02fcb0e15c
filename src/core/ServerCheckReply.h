#pragma once

#include "core/FormBody.h"
#include "core/GameCatalogue.h"

#include <QByteArray>
#include <array>
#include <optional>

// A reply of the check endpoint, read by its fixed character positions.
struct ServerCheckReply {
    QByteArray ServerState;           // "ON", "OFF" or "Error"
    QByteArray VersionText;           // from character 17 on; "Unknown" for an unrecognised reply
    bool LogOutRequested = false;     // characters 5-7 are "LO|"
    std::optional<quint32> AdCount;   // characters 8-11; none when they are not a decimal number
    std::optional<quint16> NewsCount; // characters 13-15; likewise

    // Counts that are missing (an error page, a short reply) keep the values the caller had.
    void ApplyCounts(quint32 &adCount, quint16 &newsCount) const;
};

[[nodiscard]] ServerCheckReply ParseServerCheckReply(const QByteArray &reply);

// Fills the launcher version and the 13 game versions from the "^" list. "Unknown" sets them all to
// "Unknown"; otherwise games without a piece keep their value and pieces after the 13th are ignored.
void ParseVersionList(const QByteArray &text, QByteArray &serverLauncherVersion,
                      std::array<QByteArray, GameCount> &latestVersion);

// The keep-alive post; empty values drop out of the body, so a logged-out check carries message and
// loginid only.
[[nodiscard]] FormFields ServerCheckForm(const QByteArray &accountEmail, const QByteArray &loginId,
                                         const QByteArray &userName);
