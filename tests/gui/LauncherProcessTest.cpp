// The launcher as a program: started from a folder of its own on an X server of the test's own, with
// and without a window manager, driven by real key input. The drag and the lock's rules are tested
// on the window and in platform; here only what needs the whole program.
#include "TestXServer.h"
#include "platform/SingleInstanceLock.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace {

const QByteArray Caption = "Quillbarrow   v1.0.0.8";
constexpr quint32 KeysymAltL = 0xffe9;
constexpr quint32 KeysymF4 = 0xffc1;

template<typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

template<typename T> Reply<T> reply(T *r) {
    return Reply<T>(r, &std::free);
}

// The test's side of the display: finds windows and moves the pointer and keys as a user would.
class TestDisplay {
public:
    explicit TestDisplay(const TestXServer &x)
        : m_x(x) {}

    xcb_connection_t *c() const { return m_x.connection(); }

    QByteArray titleOf(xcb_window_t window) const {
        for (const xcb_atom_t property : {m_x.atom("_NET_WM_NAME"), xcb_atom_t(XCB_ATOM_WM_NAME)}) {
            auto r = reply(xcb_get_property_reply(
                c(), xcb_get_property(c(), 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
                nullptr));
            if (r && r->value_len > 0)
                return QByteArray(static_cast<const char *>(xcb_get_property_value(r.get())),
                                  xcb_get_property_value_length(r.get()));
        }
        return {};
    }

    // The window with exactly this title anywhere below the root, or 0.
    xcb_window_t find(const QByteArray &title, xcb_window_t from = 0) const {
        if (from == 0)
            from = m_x.root();
        auto tree = reply(xcb_query_tree_reply(c(), xcb_query_tree(c(), from), nullptr));
        if (!tree)
            return 0;
        const xcb_window_t *children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            if (titleOf(children[i]) == title)
                return children[i];
            if (const xcb_window_t inner = find(title, children[i]))
                return inner;
        }
        return 0;
    }

    bool viewable(xcb_window_t window) const {
        auto r = reply(xcb_get_window_attributes_reply(c(), xcb_get_window_attributes(c(), window), nullptr));
        return r && r->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    QRect geometry(xcb_window_t window) const {
        auto g = reply(xcb_get_geometry_reply(c(), xcb_get_geometry(c(), window), nullptr));
        auto t = reply(xcb_translate_coordinates_reply(
            c(), xcb_translate_coordinates(c(), window, m_x.root(), 0, 0), nullptr));
        if (!g || !t)
            return {};
        return QRect(t->dst_x, t->dst_y, g->width, g->height);
    }

    xcb_keycode_t keycode(quint32 keysym) const {
        const xcb_setup_t *setup = xcb_get_setup(c());
        const int count = setup->max_keycode - setup->min_keycode + 1;
        auto map = reply(xcb_get_keyboard_mapping_reply(
            c(), xcb_get_keyboard_mapping(c(), setup->min_keycode, quint8(count)), nullptr));
        if (!map)
            return 0;
        const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(map.get());
        for (int i = 0; i < count * map->keysyms_per_keycode; ++i)
            if (syms[i] == keysym)
                return xcb_keycode_t(setup->min_keycode + i / map->keysyms_per_keycode);
        return 0;
    }

    void fake(quint8 type, quint8 detail, qint16 x = 0, qint16 y = 0) const {
        xcb_test_fake_input(c(), type, detail, XCB_CURRENT_TIME, type == XCB_MOTION_NOTIFY ? m_x.root() : 0,
                            x, y, 0);
        sync();
    }
    void moveTo(QPoint p) const { fake(XCB_MOTION_NOTIFY, 0, qint16(p.x()), qint16(p.y())); }

    void altF4() const {
        const xcb_keycode_t alt = keycode(KeysymAltL);
        const xcb_keycode_t f4 = keycode(KeysymF4);
        QVERIFY(alt && f4);
        fake(XCB_KEY_PRESS, alt);
        fake(XCB_KEY_PRESS, f4);
        fake(XCB_KEY_RELEASE, f4);
        fake(XCB_KEY_RELEASE, alt);
    }

    bool hasFocus(xcb_window_t window) const {
        auto r = reply(xcb_get_input_focus_reply(c(), xcb_get_input_focus(c()), nullptr));
        return r && r->focus == window;
    }

    // Waits until the server has handled everything sent so far.
    void sync() const { std::free(xcb_get_input_focus_reply(c(), xcb_get_input_focus(c()), nullptr)); }

private:
    const TestXServer &m_x;
};

} // namespace

class LauncherProcessTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_runtime; // the lock's folder, shared by every launcher of this test
    TestXServer m_x;

    struct Launcher {
        QTemporaryDir folder;
        std::unique_ptr<QProcess> process;
        QString path(const QString &name) const { return folder.filePath(name); }
        ~Launcher() {
            if (process && process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(10000);
            }
        }
    };

    // A copy of the built launcher and its bundles in a folder of its own.
    void prepare(Launcher &l) {
        QVERIFY(l.folder.isValid());
        const QString built = QStringLiteral(LAUNCHER_DIR);
        for (const char *name : {"Quillbarrow.exe", "Quillbarrow01.dll", "Quillbarrow02.dll"})
            QVERIFY(QFile::copy(built + u'/' + QLatin1String(name), l.path(QLatin1String(name))));
    }

    void start(Launcher &l, const TestXServer &x) {
        l.process = std::make_unique<QProcess>();
        TestXServer::prepareClient(*l.process, x.displayName());
        QProcessEnvironment environment = l.process->processEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        l.process->setProcessEnvironment(environment);
        l.process->setProcessChannelMode(QProcess::ForwardedChannels);
        l.process->start(l.path(QStringLiteral("Quillbarrow.exe")), {});
        QVERIFY(l.process->waitForStarted(30000));
    }

    static xcb_window_t waitForWindow(const TestDisplay &display, const Launcher &l) {
        QDeadlineTimer deadline(90000);
        while (!deadline.hasExpired() && l.process->state() == QProcess::Running) {
            if (const xcb_window_t window = display.find(Caption); window && display.viewable(window))
                return window;
            QTest::qWait(50);
        }
        return 0;
    }

    // Alt+F4 ends the launcher through its exit sequence: about 1.5 s later, with code 0 and both
    // tables written.
    void altF4EndsThroughTheExitSequence(const TestXServer &x) {
        TestDisplay display(x);
        Launcher l;
        prepare(l);
        start(l, x);
        const xcb_window_t window = waitForWindow(display, l);
        QVERIFY(window);
        for (const char *name : {"Quillbarrow.dat", "config.dat"})
            QVERIFY(QFile::remove(l.path(QLatin1String(name))));

        display.moveTo(display.geometry(window).center());
        // Keys go where the focus is: the window takes it when it is shown.
        QTRY_VERIFY_WITH_TIMEOUT(display.hasFocus(window), 30000);
        QElapsedTimer sinceKey;
        sinceKey.start();
        display.altF4();
        QVERIFY(l.process->waitForFinished(60000));
        QVERIFY2(sinceKey.elapsed() >= 1400, qPrintable(QString::number(sinceKey.elapsed())));
        QVERIFY(l.process->exitStatus() == QProcess::NormalExit && l.process->exitCode() == 0);
        for (const char *name : {"Quillbarrow.dat", "config.dat"})
            QVERIFY2(QFileInfo::exists(l.path(QLatin1String(name))), name);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_runtime.isValid());
        const QString error = m_x.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const xcb_query_extension_reply_t *xtest = xcb_get_extension_data(m_x.connection(), &xcb_test_id);
        QVERIFY2(xtest && xtest->present, "Xvfb has no XTEST");
    }

    void aSecondInstanceEndsAtOnceWithoutAWindow() {
        SingleInstanceLock first(QStringLiteral("Quillbarrow-App"), m_runtime.path());
        QVERIFY(first.tryAcquire());
        // Every window made on the display from now on would be announced to the root.
        const quint32 mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_x.connection(), m_x.root(), XCB_CW_EVENT_MASK, &mask);
        TestDisplay display(m_x);
        display.sync();

        Launcher second;
        prepare(second);
        start(second, m_x);
        QVERIFY(second.process->waitForFinished(30000));
        QVERIFY(second.process->exitStatus() == QProcess::NormalExit && second.process->exitCode() == 0);

        display.sync();
        int created = 0;
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_x.connection())) {
            if ((event->response_type & 0x7f) == XCB_CREATE_NOTIFY)
                ++created;
            std::free(event);
        }
        const quint32 none = 0;
        xcb_change_window_attributes(m_x.connection(), m_x.root(), XCB_CW_EVENT_MASK, &none);
        QCOMPARE(created, 0);
        // Nothing was written either: the second instance never got to its folder.
        QVERIFY(!QFileInfo::exists(second.path(QStringLiteral("config.dat"))));
    }

    void altF4WithoutAWindowManager() { altF4EndsThroughTheExitSequence(m_x); }

    void altF4UnderAWindowManager() {
        TestXServer managed;
        QString error = managed.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        error = managed.startWindowManager();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        // Here the window manager takes Alt+F4 and asks the window to close.
        altF4EndsThroughTheExitSequence(managed);
    }
};

QTEST_GUILESS_MAIN(LauncherProcessTest)
#include "LauncherProcessTest.moc"
