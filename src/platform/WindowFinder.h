#pragma once

#include "platform/XDisplayConnection.h"

#include <QByteArray>

// Tells whether a top-level window with exactly this title exists on the X display, mapped or not,
// of any program. Top-level means a child of the root or, under a reparenting window manager, the
// client window (the one with WM_STATE) inside a frame. The title is UTF-8 and compared byte for
// byte with _NET_WM_NAME, or with WM_NAME where a window has no _NET_WM_NAME.
class WindowFinder {
public:
    // An empty name means $DISPLAY, read whenever a connection has to be made.
    explicit WindowFinder(QByteArray displayName = {});

    // No display, a broken connection or an empty title: false. One pass over the windows with
    // the requests of each level sent together.
    bool exists(const QByteArray &exactTitle);

private:
    bool refreshAtoms(xcb_connection_t *connection);

    XDisplayConnection m_display;
    quint64 m_atomGeneration = 0;
    quint32 m_netWmName = 0;
    quint32 m_wmState = 0;
};
