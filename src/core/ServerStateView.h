#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// What the status bar and the session must do after a check reply or its time-out. The window applies
// the fields in their order: the log-out button, the log-out, the log-in panel; the update button is
// hidden unless ShowUpdateButton says otherwise.
struct ServerStateView {
    enum class Button { Keep, Show, Hide };

    QString StateText;                  // "ONLINE", "OFFLINE" or "Unavaiable"
    quint32 StateColour = 0;            // ARGB of the state text
    Button LogOutButton = Button::Keep; // Show also puts the account e-mail into the status bar
    bool LogOut = false;                // run the local log-out (only ever set while logged in)
    bool ShowLoginPanel = false;
    bool ShowUpdateButton = false;
    std::optional<QByteArray> VersionLabel; // none: the label keeps its text
};

inline constexpr quint32 OnlineColour = 0xFF7CFC00;      // lawn green
inline constexpr quint32 OfflineColour = 0xFFFF6347;     // tomato
inline constexpr quint32 UnavailableColour = 0xFFFF4500; // orange red

[[nodiscard]] ServerStateView ShowServerState(const QByteArray &serverState, bool loggedIn,
                                              const QByteArray &serverLauncherVersion,
                                              const QByteArray &launcherVersion);
