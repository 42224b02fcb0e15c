// Each demo game started the way the launcher starts it, on the X server of the test run: its window
// appears under the catalogue's exact WindowTitle, where the launcher's window watch looks for it,
// and goes away when the game is closed or terminated.
#include "core/GameCatalogue.h"
#include "platform/WindowFinder.h"

#include <QDir>
#include <QProcess>
#include <QTest>
#include <memory>
#include <xcb/xcb.h>

namespace {

QString text(std::string_view value) {
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

QByteArray bytes(std::string_view value) {
    return QByteArray(value.data(), static_cast<qsizetype>(value.size()));
}

struct Disconnect {
    void operator()(xcb_connection_t *connection) const { xcb_disconnect(connection); }
};

xcb_atom_t atom(xcb_connection_t *connection, const char *name) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, static_cast<quint16>(qstrlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The top-level window with this _NET_WM_NAME (no window manager runs under xvfb-run).
xcb_window_t windowTitled(xcb_connection_t *connection, const QByteArray &title) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t netWmName = atom(connection, "_NET_WM_NAME");
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr), &std::free);
    if (!tree)
        return xcb_window_t{XCB_WINDOW_NONE};
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> name(
            xcb_get_property_reply(
                connection,
                xcb_get_property(connection, 0, children[i], netWmName, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
                nullptr),
            &std::free);
        if (name && QByteArray(static_cast<const char *>(xcb_get_property_value(name.get())),
                               xcb_get_property_value_length(name.get())) == title)
            return children[i];
    }
    return xcb_window_t{XCB_WINDOW_NONE};
}

// What the window manager sends when the user clicks the window's close button.
void requestClose(xcb_connection_t *connection, xcb_window_t window) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom(connection, "WM_PROTOCOLS");
    event.data.data32[0] = atom(connection, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));
    xcb_flush(connection);
}

} // namespace

class DemoGameProcessTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "needs an X server: run under xvfb-run");
        m_x.reset(xcb_connect(nullptr, nullptr));
        QVERIFY(m_x && !xcb_connection_has_error(m_x.get()));
    }

    void windowCarriesTheCatalogueTitle_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("closeButton");
        for (std::size_t i = 0; i < GameCount; ++i)
            QTest::newRow(GameCatalogue()[i].FolderName.data()) << static_cast<int>(i) << (i % 2 == 0);
    }
    void windowCarriesTheCatalogueTitle() {
        QFETCH(int, index);
        QFETCH(bool, closeButton);
        const GameEntry &game = GameCatalogue()[static_cast<std::size_t>(index)];
        const QString folder = QDir(QStringLiteral(DEMO_GAME_STAGE)).filePath(text(game.FolderName));
        const QByteArray title = bytes(game.WindowTitle);
        WindowFinder finder;
        QVERIFY(!finder.exists(title));

        // The launcher's command line "a@b.c pass word" split at blanks, from the game's folder.
        QProcess process;
        process.setWorkingDirectory(folder);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(QDir(folder).filePath(text(game.ExeName)),
                      {QStringLiteral("a@b.c"), QStringLiteral("pass"), QStringLiteral("word")});
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(finder.exists(title), 30000);
        QCOMPARE(process.state(), QProcess::Running);

        if (closeButton) {
            const xcb_window_t window = windowTitled(m_x.get(), title);
            QVERIFY(window != XCB_WINDOW_NONE);
            requestClose(m_x.get(), window);
            QVERIFY(process.waitForFinished(30000));
            QCOMPARE(process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(process.exitCode(), 0);
        } else {
            process.terminate();
            QVERIFY(process.waitForFinished(30000));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!finder.exists(title), 10000);
    }

private:
    std::unique_ptr<xcb_connection_t, Disconnect> m_x;
};

QTEST_GUILESS_MAIN(DemoGameProcessTest)
#include "DemoGameProcessTest.moc"
