#include "platform/WindowFinder.h"

#include "TestXServer.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QRasterWindow>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>

namespace {

// For checks on displays whose number another test's server may take over meanwhile.
QByteArray uniqueTitle() {
    return "Second Server " + QByteArray::number(QCoreApplication::applicationPid());
}

const QByteArray QtTitle("Ember Hollow \xe2\x80\x94 \xc3\x9c"
                         "ber");
const QByteArray LongTitle = QByteArray(299, 'L') + 'x';

// Child mode: a game's window, shown by Qt on the display of $DISPLAY.
int showWindow(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    QRasterWindow window;
    window.setTitle(QString::fromUtf8(QByteArray::fromHex(argv[2])));
    window.resize(320, 200);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window, 60000))
        return 2;
    std::printf("%llu\n", static_cast<unsigned long long>(window.winId()));
    std::fflush(stdout);
    return app.exec();
}

struct Property {
    const char *name;
    const char *type;
    QByteArray value;
};

} // namespace

class WindowFinderTest : public QObject {
    Q_OBJECT

public:
    explicit WindowFinderTest(QString self)
        : m_self(std::move(self)) {}

private Q_SLOTS:
    void initTestCase() {
        const QString error = m_x.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));

        m_game = std::make_unique<QProcess>();
        TestXServer::prepareClient(*m_game, m_x.displayName());
        m_game->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_game->start(m_self, {QStringLiteral("--show-window"), QString::fromLatin1(QtTitle.toHex())});
        QDeadlineTimer deadline(60000);
        while (!m_game->canReadLine() && !deadline.hasExpired() && m_game->state() != QProcess::NotRunning)
            m_game->waitForReadyRead(200);
        m_gameWindow = m_game->readLine().trimmed().toUInt();
        QVERIFY2(m_gameWindow != 0, "the Qt window did not show");

        // Mapped top-level windows, which a window manager will frame.
        m_managed = {
            m_gameWindow,
            createWindow(m_x.root(), true, false, {{"WM_NAME", "STRING", "Raw WM_NAME Only"}}),
            createWindow(m_x.root(), true, false, {{"WM_NAME", "STRING", "Caf\xe9 Latin"}}),
            createWindow(
                m_x.root(), true, false,
                {{"_NET_WM_NAME", "UTF8_STRING", "Net Name Wins"}, {"WM_NAME", "STRING", "Legacy Name"}}),
            createWindow(m_x.root(), true, false, {{"_NET_WM_NAME", "UTF8_STRING", LongTitle}}),
        };
        createWindow(m_x.root(), false, false, {{"_NET_WM_NAME", "UTF8_STRING", "Hidden Game"}});
        // A frame of a window manager, made by hand; override-redirect keeps a real one off it.
        const quint32 frame = createWindow(m_x.root(), true, true, {});
        const quint32 client = createWindow(frame, true, false,
                                            {{"WM_STATE", "WM_STATE", QByteArray(8, '\0')},
                                             {"_NET_WM_NAME", "UTF8_STRING", "Framed Client"}});
        createWindow(client, true, false, {{"WM_NAME", "STRING", "Inner Widget"}});
        const quint32 plain = createWindow(m_x.root(), true, true, {});
        createWindow(plain, true, false, {{"WM_NAME", "STRING", "Nested Without State"}});
        roundTrip();
    }

    void cleanupTestCase() {
        if (m_game) {
            m_game->kill();
            m_game->waitForFinished(10000);
        }
        m_x.stop();
    }

    void findsTopLevelWindowsWithoutWindowManager_data() { titles(); }
    void findsTopLevelWindowsWithoutWindowManager() {
        QFETCH(QByteArray, title);
        QFETCH(bool, found);
        WindowFinder finder(m_x.displayName());
        QCOMPARE(finder.exists(title), found);
        QCOMPARE(finder.exists(title), found); // again, on the same connection
    }

    void windowManagerFramesTheWindows() {
        const QString error = m_x.startWindowManager();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        // Managing a window takes the manager a while: reparent first, WM_STATE after.
        for (const quint32 window : std::as_const(m_managed)) {
            QTRY_VERIFY_WITH_TIMEOUT(
                m_x.parentOf(window) != m_x.root() && m_x.hasProperty(window, "WM_STATE"), 60000);
        }
    }

    void findsTopLevelWindowsInsideFrames_data() { titles(); }
    void findsTopLevelWindowsInsideFrames() {
        QFETCH(QByteArray, title);
        QFETCH(bool, found);
        QVERIFY(m_x.parentOf(m_gameWindow) != m_x.root());
        WindowFinder finder(m_x.displayName());
        QCOMPARE(finder.exists(title), found);
    }

    void noDisplayFindsNothing() {
        const auto restore = keepDisplayVariable();
        qunsetenv("DISPLAY");
        WindowFinder fromEnvironment;
        QVERIFY(!fromEnvironment.exists(QtTitle));

        TestXServer gone;
        const QString error = gone.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QByteArray deadDisplay = gone.displayName();
        gone.stop();
        WindowFinder dead(deadDisplay);
        QVERIFY(!dead.exists(uniqueTitle()));
        QVERIFY(!dead.exists(uniqueTitle()));
        for (const char *name : {"not a display", ":", ":x.y", "/no/such/socket:0", "unix:999999"})
            QVERIFY2(!WindowFinder(name).exists(uniqueTitle()), name);
    }

    void reconnectsAfterTheServerWentAway() {
        const auto restore = keepDisplayVariable();
        const QByteArray title = uniqueTitle();
        WindowFinder finder; // follows $DISPLAY

        TestXServer first;
        QString error = first.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        createWindow(first, {{"WM_NAME", "STRING", title}});
        qputenv("DISPLAY", first.displayName());
        QVERIFY(finder.exists(title));

        first.stop(); // the open connection breaks
        QVERIFY(!finder.exists(title));
        QVERIFY(!finder.exists(title));

        TestXServer second;
        error = second.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        createWindow(second, {{"_NET_WM_NAME", "UTF8_STRING", title}});
        qputenv("DISPLAY", second.displayName());
        QVERIFY(finder.exists(title));
        QVERIFY(!finder.exists(QtTitle));
    }

private:
    static void titles() {
        QTest::addColumn<QByteArray>("title");
        QTest::addColumn<bool>("found");
        QTest::newRow("Qt window, UTF-8 title") << QtTitle << true;
        QTest::newRow("only WM_NAME") << QByteArray("Raw WM_NAME Only") << true;
        QTest::newRow("not mapped") << QByteArray("Hidden Game") << true;
        QTest::newRow("Latin-1 WM_NAME") << QByteArray("Caf\xc3\xa9 Latin") << true;
        QTest::newRow("_NET_WM_NAME first") << QByteArray("Net Name Wins") << true;
        QTest::newRow("long title") << LongTitle << true;
        QTest::newRow("client in a frame") << QByteArray("Framed Client") << true;

        QTest::newRow("prefix") << QByteArray("Ember Hollow") << false;
        QTest::newRow("longer") << QtTitle + '!' << false;
        QTest::newRow("case") << QByteArray("ember hollow \xe2\x80\x94 \xc3\xbc"
                                            "ber")
                              << false;
        QTest::newRow("trailing blank") << QtTitle + ' ' << false;
        QTest::newRow("leading blank") << ' ' + QtTitle << false;
        QTest::newRow("long title, one short") << LongTitle.chopped(1) << false;
        QTest::newRow("long title, one more") << LongTitle + 'x' << false;
        QTest::newRow("WM_NAME behind _NET_WM_NAME") << QByteArray("Legacy Name") << false;
        QTest::newRow("Latin-1 bytes as title") << QByteArray("Caf\xe9 Latin") << false;
        QTest::newRow("window inside a client") << QByteArray("Inner Widget") << false;
        QTest::newRow("child of a plain window") << QByteArray("Nested Without State") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }

    quint32 createWindow(quint32 parent, bool mapped, bool overrideRedirect,
                         const QList<Property> &properties) {
        return createWindow(m_x, properties, parent, mapped, overrideRedirect);
    }

    static quint32 createWindow(const TestXServer &x, const QList<Property> &properties, quint32 parent = 0,
                                bool mapped = true, bool overrideRedirect = false) {
        xcb_connection_t *connection = x.connection();
        const xcb_window_t window = xcb_generate_id(connection);
        const uint32_t values[] = {overrideRedirect ? 1u : 0u};
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, parent ? parent : x.root(), 10, 10, 200,
                          100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_OVERRIDE_REDIRECT, values);
        for (const Property &property : properties) {
            const bool wmState = qstrcmp(property.type, "WM_STATE") == 0;
            xcb_change_property(
                connection, XCB_PROP_MODE_REPLACE, window, x.atom(property.name), x.atom(property.type),
                wmState ? 32 : 8,
                static_cast<uint32_t>(wmState ? property.value.size() / 4 : property.value.size()),
                property.value.constData());
        }
        if (mapped)
            xcb_map_window(connection, window);
        roundTrip(x);
        return window;
    }

    void roundTrip() const { roundTrip(m_x); }

    // Once a reply is back, every request before it has been carried out.
    static void roundTrip(const TestXServer &x) {
        std::free(xcb_get_input_focus_reply(x.connection(), xcb_get_input_focus(x.connection()), nullptr));
    }

    QString m_self;
    TestXServer m_x;
    std::unique_ptr<QProcess> m_game;
    quint32 m_gameWindow = 0;
    QList<quint32> m_managed;
};

int main(int argc, char **argv) {
    if (argc >= 3 && qstrcmp(argv[1], "--show-window") == 0)
        return showWindow(argc, argv);
    QCoreApplication app(argc, argv);
    WindowFinderTest test(QCoreApplication::applicationFilePath());
    return QTest::qExec(&test, argc, argv);
}

#include "WindowFinderTest.moc"
