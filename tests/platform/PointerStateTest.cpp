#include "platform/PointerState.h"

#include "TestXServer.h"
#include "platform/XDisplayConnection.h"

#include <QCursor>
#include <QGuiApplication>
#include <QTest>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

class PointerStateTest : public QObject {
    Q_OBJECT

    TestXServer m_x;

    // Moves the pointer, or presses (true) or releases (false) a button, as a user would.
    void act(int x, int y, uint8_t button = 0, bool press = false) {
        if (button)
            xcb_test_fake_input(m_x.connection(), press ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE, button,
                                XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
        else
            xcb_warp_pointer(m_x.connection(), XCB_WINDOW_NONE, m_x.root(), 0, 0, 0, 0, int16_t(x),
                             int16_t(y));
        std::free(
            xcb_get_input_focus_reply(m_x.connection(), xcb_get_input_focus(m_x.connection()), nullptr));
    }

private Q_SLOTS:
    void initTestCase() {
        const QString error = m_x.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const xcb_query_extension_reply_t *xtest = xcb_get_extension_data(m_x.connection(), &xcb_test_id);
        QVERIFY2(xtest && xtest->present, "Xvfb has no XTEST");
    }

    // Dragging: the position follows while the left button stays down; other buttons are not the left one.
    void readsPositionAndLeftButton() {
        const auto restore = keepDisplayVariable();
        qputenv("DISPLAY", m_x.displayName());
        XDisplayConnection display(m_x.displayName());
        const QList<std::tuple<int, int, uint8_t, bool, bool>> steps{
            {321, 123, 0, false, false}, {0, 0, 1, true, true},  {1279, 799, 0, false, true},
            {0, 0, 1, false, false},     {0, 0, 3, true, false}, {0, 0, 3, false, false}};
        QPoint at;
        for (const auto &[x, y, button, press, leftDown] : steps) {
            act(x, y, button, press);
            at = button ? at : QPoint(x, y);
            // The default connection follows $DISPLAY.
            const std::optional<PointerState> state = button == 3 ? queryPointer() : queryPointer(display);
            QVERIFY(state && state->fromDisplayServer);
            QCOMPARE(state->position, at);
            QCOMPARE(state->leftButtonDown, leftDown);
        }
    }

    // Without a display, or when the server goes away under an open connection: Qt's last known position.
    void fallsBackToQtWithoutDisplay() {
        const auto restore = keepDisplayVariable();
        qunsetenv("DISPLAY");
        QCursor::setPos(100, 200);
        XDisplayConnection none;
        TestXServer passing;
        const QString error = passing.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        XDisplayConnection display(passing.displayName());
        QVERIFY(queryPointer(display)->fromDisplayServer);
        passing.stop();
        for (XDisplayConnection *connection : {&none, &display, &display}) {
            const std::optional<PointerState> state = queryPointer(*connection);
            QVERIFY(state && !state->fromDisplayServer && !state->leftButtonDown);
            QCOMPARE(state->position, QPoint(100, 200));
        }
    }
};

QTEST_MAIN(PointerStateTest)
#include "PointerStateTest.moc"
