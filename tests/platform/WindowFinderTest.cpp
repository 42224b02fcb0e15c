#include "platform/WindowFinder.h"

#include "TestXServer.h"

#include <QCoreApplication>
#include <QTest>
#include <cstdlib>
#include <xcb/xcb.h>

namespace {

const QByteArray Utf8Title("Ember Hollow \xe2\x80\x94 \xc3\x9c"
                           "ber");
const QByteArray LongTitle = QByteArray(299, 'L') + 'x';

struct Property {
    const char *name;
    QByteArray value; // WM_NAME is STRING (Latin-1), _NET_WM_NAME UTF8_STRING, WM_STATE two words
};

// A window with the properties, mapped unless told otherwise; override-redirect keeps a window manager
// off it.
quint32 createWindow(const TestXServer &x, const QList<Property> &properties, quint32 parent = 0,
                     bool mapped = true, bool overrideRedirect = false) {
    xcb_connection_t *connection = x.connection();
    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t values[] = {overrideRedirect ? 1u : 0u};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, parent ? parent : x.root(), 10, 10, 200, 100,
                      0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT,
                      values);
    for (const Property &p : properties) {
        const QByteArray name(p.name);
        const char *type = name == "WM_NAME" ? "STRING" : name == "WM_STATE" ? "WM_STATE" : "UTF8_STRING";
        const int format = name == "WM_STATE" ? 32 : 8;
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, x.atom(p.name), x.atom(type), format,
                            uint32_t(p.value.size() * 8 / format), p.value.constData());
    }
    if (mapped)
        xcb_map_window(connection, window);
    // Once a reply is back, every request before it has been carried out.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    return window;
}

} // namespace

class WindowFinderTest : public QObject {
    Q_OBJECT

    TestXServer m_x;

private Q_SLOTS:
    void initTestCase() {
        const QString error = m_x.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        createWindow(m_x, {{"_NET_WM_NAME", Utf8Title}});
        createWindow(m_x, {{"WM_NAME", "Caf\xe9 Latin"}});
        createWindow(m_x, {{"_NET_WM_NAME", "Net Name Wins"}, {"WM_NAME", "Legacy Name"}});
        createWindow(m_x, {{"_NET_WM_NAME", LongTitle}});
        createWindow(m_x, {{"_NET_WM_NAME", "Hidden Game"}}, 0, false);
        // A window manager's frame, made by hand, with its client and a widget inside the client.
        const quint32 frame = createWindow(m_x, {}, 0, true, true);
        const quint32 client =
            createWindow(m_x, {{"WM_STATE", QByteArray(8, '\0')}, {"_NET_WM_NAME", "Framed Client"}}, frame);
        createWindow(m_x, {{"WM_NAME", "Inner Widget"}}, client);
        createWindow(m_x, {{"WM_NAME", "Nested Without State"}}, createWindow(m_x, {}, 0, true, true));
    }

    // Top-level: a child of the root, or a client (with WM_STATE) in a window manager's frame.
    void findsTopLevelWindows_data() {
        QTest::addColumn<QByteArray>("title");
        QTest::addColumn<bool>("found");
        const auto row = [](const char *name, const QByteArray &title, bool found) {
            QTest::newRow(name) << title << found;
        };
        row("UTF-8 title", Utf8Title, true);
        row("Latin-1 WM_NAME", "Caf\xc3\xa9 Latin", true); // stored as Latin-1, found as UTF-8
        row("_NET_WM_NAME first", "Net Name Wins", true);
        row("long title", LongTitle, true);
        row("not mapped", "Hidden Game", true);
        row("client in a frame", "Framed Client", true);
        row("prefix", "Ember Hollow", false);
        row("long title, one short", LongTitle.chopped(1), false);
        row("WM_NAME behind _NET_WM_NAME", "Legacy Name", false);
        row("Latin-1 bytes", "Caf\xe9 Latin", false);
        row("window inside a client", "Inner Widget", false);
        row("child of a plain window", "Nested Without State", false);
        row("empty", {}, false);
    }

    void findsTopLevelWindows() {
        QFETCH(QByteArray, title);
        WindowFinder finder(m_x.displayName());
        QTEST(finder.exists(title), "found");
        QTEST(finder.exists(title), "found"); // again, on the same connection
    }

    // No display, a dead one, or a server that went away: nothing found, and a new server is used.
    void noDisplayFindsNothingAndReconnects() {
        const auto restore = keepDisplayVariable();
        const QByteArray title = "Second Server " + QByteArray::number(QCoreApplication::applicationPid());
        qunsetenv("DISPLAY");
        WindowFinder finder; // follows $DISPLAY
        QVERIFY(!finder.exists(Utf8Title));
        for (const char *name : {"not a display", ":", ":x.y", "/no/such/socket:0", "unix:999999"})
            QVERIFY2(!WindowFinder(name).exists(Utf8Title), name);

        for (const bool second : {false, true}) {
            TestXServer x;
            const QString error = x.start();
            QVERIFY2(error.isEmpty(), qPrintable(error));
            createWindow(x, {{second ? "_NET_WM_NAME" : "WM_NAME", title}});
            qputenv("DISPLAY", x.displayName());
            QVERIFY(finder.exists(title));
            QVERIFY(!finder.exists(Utf8Title));
            x.stop(); // the open connection breaks
            QVERIFY(!finder.exists(title));
            QVERIFY(!finder.exists(title));
        }
    }
};

QTEST_GUILESS_MAIN(WindowFinderTest)
#include "WindowFinderTest.moc"
