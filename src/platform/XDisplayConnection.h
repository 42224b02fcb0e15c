#pragma once

#include <QByteArray>
#include <memory>

struct xcb_connection_t;

// One connection to an X display, opened when first needed and opened again after it broke (the
// server restarted, the display changed). No display is an answer too: connection() is then null.
class XDisplayConnection {
public:
    // An empty name means $DISPLAY as it is at the moment of connecting.
    explicit XDisplayConnection(QByteArray displayName = {});
    ~XDisplayConnection();
    XDisplayConnection(const XDisplayConnection &) = delete;
    XDisplayConnection &operator=(const XDisplayConnection &) = delete;

    // The live connection or null. Drops events that piled up and notices a server that went away.
    xcb_connection_t *connection();
    // The root window of the screen the display name chose; 0 without a connection.
    [[nodiscard]] quint32 defaultRoot() const { return m_root; }
    // Grows with every new connection, so that atoms cached for an old one are asked for again.
    [[nodiscard]] quint64 generation() const { return m_generation; }
    void disconnect();

private:
    struct Disconnect {
        void operator()(xcb_connection_t *connection) const;
    };

    QByteArray m_displayName;
    std::unique_ptr<xcb_connection_t, Disconnect> m_connection;
    quint32 m_root = 0;
    quint64 m_generation = 0;
};
