#include "platform/PointerState.h"

#include "platform/SigPipeBlock.h"
#include "platform/XDisplayConnection.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace {

// X reports device pixels; with a scale factor Qt's global coordinates are smaller. A screen keeps
// its top-left corner in both, so a point maps relative to the screen it lies on.
QPoint toQtCoordinates(QPoint devicePixels) {
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return devicePixels;
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *screen : screens) {
        const qreal ratio = screen->devicePixelRatio();
        const QRect logical = screen->geometry();
        const QRect native(logical.topLeft(), logical.size() * ratio);
        if (ratio > 0 && native.contains(devicePixels))
            return logical.topLeft() + (devicePixels - logical.topLeft()) / ratio;
    }
    return devicePixels;
}

std::optional<PointerState> askServer(XDisplayConnection &display) {
    const SigPipeBlock noSigPipe;
    xcb_connection_t *connection = display.connection();
    if (!connection)
        return std::nullopt;
    xcb_generic_error_t *error = nullptr;
    const std::unique_ptr<xcb_query_pointer_reply_t, decltype(&std::free)> reply(
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, display.defaultRoot()), &error),
        &std::free);
    std::free(error);
    if (!reply)
        return std::nullopt;
    PointerState state;
    state.position = toQtCoordinates(QPoint(reply->root_x, reply->root_y));
    state.leftButtonDown = (reply->mask & XCB_KEY_BUT_MASK_BUTTON_1) != 0;
    state.fromDisplayServer = true;
    return state;
}

std::optional<PointerState> askQt() {
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()) || !QGuiApplication::primaryScreen())
        return std::nullopt;
    PointerState state;
    state.position = QCursor::pos();
    state.leftButtonDown = QGuiApplication::mouseButtons().testFlag(Qt::LeftButton);
    return state;
}

} // namespace

std::optional<PointerState> queryPointer() {
    thread_local XDisplayConnection display;
    return queryPointer(display);
}

std::optional<PointerState> queryPointer(XDisplayConnection &display) {
    if (std::optional<PointerState> state = askServer(display))
        return state;
    return askQt();
}
