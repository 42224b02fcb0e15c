#include "core/ServerStateView.h"

ServerStateView ShowServerState(const QByteArray &serverState, bool loggedIn,
                                const QByteArray &serverLauncherVersion, const QByteArray &launcherVersion) {
    ServerStateView view;
    if (serverState == "ON") {
        view.StateText = QStringLiteral("ONLINE");
        view.StateColour = OnlineColour;
        view.LogOutButton = loggedIn ? ServerStateView::Button::Show : ServerStateView::Button::Hide;
    } else {
        const bool off = serverState == "OFF";
        view.StateText = off ? QStringLiteral("OFFLINE") : QStringLiteral("Unavaiable");
        view.StateColour = off ? OfflineColour : UnavailableColour;
        view.LogOut = loggedIn;
    }

    if (serverLauncherVersion.isEmpty() || serverLauncherVersion == "Unknown") {
        view.ShowLoginPanel = true;
        view.LogOut = loggedIn;
    } else if (serverLauncherVersion != launcherVersion) {
        view.VersionLabel = "v" + launcherVersion + "   Please update !     New  v" + serverLauncherVersion;
        view.ShowUpdateButton = true;
        view.LogOut = loggedIn;
    } else {
        view.VersionLabel = "v" + serverLauncherVersion;
    }
    return view;
}
