#pragma once

#include <QPoint>
#include <optional>

class XDisplayConnection;

// Where the pointer is on the desktop and whether the left button is down, wherever the pointer
// is (GetCursorPos, GetAsyncKeyState(VK_LBUTTON)). Positions are in Qt's global coordinates.
struct PointerState {
    QPoint position;
    bool leftButtonDown = false;
    // False when the X server could not be asked: the position is Qt's last known one and the
    // button is what Qt saw in the program's own windows.
    bool fromDisplayServer = false;
};

// Asks the X server of $DISPLAY over a connection kept by the calling thread.
[[nodiscard]] std::optional<PointerState> queryPointer();
// Asks the X server of the given connection. Without one, falls back to Qt's own knowledge;
// nothing when there is no QGuiApplication with a screen either.
[[nodiscard]] std::optional<PointerState> queryPointer(XDisplayConnection &display);
