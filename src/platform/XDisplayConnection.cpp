#include "platform/XDisplayConnection.h"

#include <cstdlib>
#include <xcb/xcb.h>

void XDisplayConnection::Disconnect::operator()(xcb_connection_t *connection) const {
    xcb_disconnect(connection);
}

XDisplayConnection::XDisplayConnection(QByteArray displayName)
    : m_displayName(std::move(displayName)) {}

XDisplayConnection::~XDisplayConnection() = default;

xcb_connection_t *XDisplayConnection::connection() {
    if (m_connection) {
        // Reading what is waiting also reads the end of the stream when the server has gone.
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection.get()))
            std::free(event);
        if (xcb_connection_has_error(m_connection.get()) == 0)
            return m_connection.get();
        disconnect();
    }

    const QByteArray name = m_displayName.isEmpty() ? qgetenv("DISPLAY") : m_displayName;
    if (name.isEmpty())
        return nullptr;
    int screenNumber = 0;
    std::unique_ptr<xcb_connection_t, Disconnect> connection(xcb_connect(name.constData(), &screenNumber));
    if (!connection || xcb_connection_has_error(connection.get()) != 0)
        return nullptr;

    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection.get()));
    for (int i = 0; screens.rem > 0 && i < screenNumber; ++i)
        xcb_screen_next(&screens);
    if (screens.rem <= 0)
        return nullptr;
    m_root = screens.data->root;
    m_connection = std::move(connection);
    ++m_generation;
    return m_connection.get();
}

void XDisplayConnection::disconnect() {
    m_connection.reset();
    m_root = 0;
}
