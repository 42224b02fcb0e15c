#include "platform/PointerState.h"

#include "TestXServer.h"
#include "platform/XDisplayConnection.h"

#include <QCursor>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace {

// Child mode: what queryPointer() says inside a program with its own Qt settings.
int printPointer(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    const std::optional<PointerState> state = queryPointer();
    if (!state)
        return 2;
    std::printf("%d %d %d %d\n", state->position.x(), state->position.y(), state->leftButtonDown ? 1 : 0,
                state->fromDisplayServer ? 1 : 0);
    return 0;
}

} // namespace

class PointerStateTest : public QObject {
    Q_OBJECT

public:
    explicit PointerStateTest(QString self)
        : m_self(std::move(self)) {}

private Q_SLOTS:
    void initTestCase() {
        const QString error = m_x.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const xcb_query_extension_reply_t *xtest = xcb_get_extension_data(m_x.connection(), &xcb_test_id);
        QVERIFY2(xtest && xtest->present, "Xvfb has no XTEST");
    }

    void cleanupTestCase() { m_x.stop(); }

    void readsPositionAndLeftButton() {
        XDisplayConnection display(m_x.displayName());
        warp(321, 123);
        std::optional<PointerState> state = queryPointer(display);
        QVERIFY(state);
        QVERIFY(state->fromDisplayServer);
        QCOMPARE(state->position, QPoint(321, 123));
        QVERIFY(!state->leftButtonDown);

        button(XCB_BUTTON_PRESS, 1);
        QTRY_VERIFY_WITH_TIMEOUT(queryPointer(display)->leftButtonDown, 30000);
        // Dragging: the position follows while the button stays down.
        warp(1279, 799);
        state = queryPointer(display);
        QCOMPARE(state->position, QPoint(1279, 799));
        QVERIFY(state->leftButtonDown);
        button(XCB_BUTTON_RELEASE, 1);
        QTRY_VERIFY_WITH_TIMEOUT(!queryPointer(display)->leftButtonDown, 30000);

        // Other buttons are not the left one.
        button(XCB_BUTTON_PRESS, 3);
        roundTrip();
        QVERIFY(!queryPointer(display)->leftButtonDown);
        button(XCB_BUTTON_RELEASE, 3);
    }

    void defaultConnectionFollowsDisplayVariable() {
        const auto restore = keepDisplayVariable();
        qputenv("DISPLAY", m_x.displayName());
        warp(17, 42);
        const std::optional<PointerState> state = queryPointer();
        QVERIFY(state);
        QVERIFY(state->fromDisplayServer);
        QCOMPARE(state->position, QPoint(17, 42));
    }

    void fallsBackToQtWithoutDisplay() {
        const auto restore = keepDisplayVariable();
        qunsetenv("DISPLAY");
        QCursor::setPos(100, 200);

        XDisplayConnection none;
        std::optional<PointerState> state = queryPointer(none);
        QVERIFY(state);
        QVERIFY(!state->fromDisplayServer);
        QCOMPARE(state->position, QPoint(100, 200));
        QVERIFY(!state->leftButtonDown);

        // A server that goes away under an open connection.
        TestXServer passing;
        const QString error = passing.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        XDisplayConnection display(passing.displayName());
        QVERIFY(queryPointer(display)->fromDisplayServer);
        passing.stop();
        state = queryPointer(display);
        QVERIFY(state);
        QVERIFY(!state->fromDisplayServer);
        QCOMPARE(state->position, QPoint(100, 200));
        QVERIFY(!queryPointer(display)->fromDisplayServer);
    }

    void scaledDisplayGivesQtCoordinates() {
        warp(300, 200);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(m_x.displayName()));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(m_self, {QStringLiteral("--print-pointer")});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("150 100 0 1"));
    }

private:
    void roundTrip() {
        std::free(
            xcb_get_input_focus_reply(m_x.connection(), xcb_get_input_focus(m_x.connection()), nullptr));
    }

    void warp(int x, int y) {
        xcb_warp_pointer(m_x.connection(), XCB_WINDOW_NONE, m_x.root(), 0, 0, 0, 0, static_cast<int16_t>(x),
                         static_cast<int16_t>(y));
        roundTrip();
    }

    void button(uint8_t type, uint8_t number) {
        xcb_test_fake_input(m_x.connection(), type, number, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
        roundTrip();
    }

    QString m_self;
    TestXServer m_x;
};

int main(int argc, char **argv) {
    if (argc >= 2 && qstrcmp(argv[1], "--print-pointer") == 0)
        return printPointer(argc, argv);
    QGuiApplication app(argc, argv);
    PointerStateTest test(QCoreApplication::applicationFilePath());
    return QTest::qExec(&test, argc, argv);
}

#include "PointerStateTest.moc"
