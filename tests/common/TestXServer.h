#pragma once

#include <QByteArray>
#include <QProcess>
#include <QScopeGuard>
#include <QString>
#include <memory>

struct xcb_connection_t;

// An Xvfb of the test's own (the display number chosen by the server), optionally with openbox on
// it, and a connection for the test to arrange windows. Everything it started ends with it, also
// when the test process dies (the children get SIGKILL with their parent).
class TestXServer {
public:
    TestXServer();
    ~TestXServer();
    TestXServer(const TestXServer &) = delete;
    TestXServer &operator=(const TestXServer &) = delete;

    // Empty on success, else what went wrong.
    QString start();
    QString startWindowManager();
    void stop();

    [[nodiscard]] QByteArray displayName() const { return m_displayName; }
    [[nodiscard]] xcb_connection_t *connection() const { return m_connection.get(); }
    [[nodiscard]] quint32 root() const { return m_root; }
    [[nodiscard]] quint32 atom(const char *name) const;
    [[nodiscard]] quint32 parentOf(quint32 window) const;
    [[nodiscard]] bool hasProperty(quint32 window, const char *name) const;

    // A process on this display (DISPLAY set, xcb platform) that ends with the server.
    static void prepareClient(QProcess &process, const QByteArray &displayName);

private:
    struct Disconnect {
        void operator()(xcb_connection_t *connection) const;
    };

    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QProcess> m_windowManager;
    QByteArray m_displayName;
    std::unique_ptr<xcb_connection_t, Disconnect> m_connection;
    quint32 m_root = 0;
};

// Puts $DISPLAY back as it was (also unset) when the scope ends.
inline auto keepDisplayVariable() {
    const bool wasSet = qEnvironmentVariableIsSet("DISPLAY");
    const QByteArray value = qgetenv("DISPLAY");
    return qScopeGuard([wasSet, value] {
        if (wasSet)
            qputenv("DISPLAY", value);
        else
            qunsetenv("DISPLAY");
    });
}
