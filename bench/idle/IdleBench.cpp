// What the installed launcher costs at rest: CPU % per process of its tree over a span for each
// state (log-in panel, home panel with the ad pages, minimised, covered, inactive for a while),
// PSS and the time from start to a visible window. Its own Xvfb with openbox; the service on the
// port the launcher was built for. Run by hand:
//   IdleBench PREFIX [rounds=3] [seconds=30] [inactiveSeconds=60]
// with PREFIX what `cmake --install build --prefix PREFIX` filled (PREFIX/launcher, PREFIX/bin).
#include "ProcessTree.h"
#include "TestXServer.h"
#include "core/SavedLoginTable.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSize>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray Caption = "Quillbarrow   v1.0.0.8";
const QByteArray Email = "bench@example.com";
const QByteArray Password = "bench-password";

template<typename T> std::unique_ptr<T, decltype(&std::free)> owned(T *r) {
    return {r, &std::free};
}

void say(const QString &line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QString load() {
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().trimmed()) : QString();
}

// The window manager's side of what a player does: minimise, cover, look elsewhere.
class Desk {
public:
    explicit Desk(const TestXServer &x)
        : m_x(x) {}

    xcb_connection_t *c() const { return m_x.connection(); }

    QByteArray titleOf(xcb_window_t window) const {
        auto r = owned(xcb_get_property_reply(
            c(),
            xcb_get_property(c(), 0, window, m_x.atom("_NET_WM_NAME"), XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
            nullptr));
        if (!r || r->value_len == 0)
            return {};
        return QByteArray(static_cast<const char *>(xcb_get_property_value(r.get())),
                          xcb_get_property_value_length(r.get()));
    }

    xcb_window_t find(xcb_window_t from = 0) const {
        if (from == 0)
            from = m_x.root();
        auto tree = owned(xcb_query_tree_reply(c(), xcb_query_tree(c(), from), nullptr));
        if (!tree)
            return 0;
        const xcb_window_t *children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            if (titleOf(children[i]) == Caption)
                return children[i];
            if (const xcb_window_t inner = find(children[i]))
                return inner;
        }
        return 0;
    }

    bool viewable(xcb_window_t window) const {
        auto r = owned(xcb_get_window_attributes_reply(c(), xcb_get_window_attributes(c(), window), nullptr));
        return r && r->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    void toRoot(xcb_window_t window, const char *message, quint32 value) const {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = m_x.atom(message);
        event.data.data32[0] = value;
        xcb_send_event(c(), 0, m_x.root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&event));
        xcb_flush(c());
    }
    void minimise(xcb_window_t window) const { toRoot(window, "WM_CHANGE_STATE", 3); }
    void activate(xcb_window_t window) const { toRoot(window, "_NET_ACTIVE_WINDOW", 2); }

    // Another program's window; the window manager puts it on top and gives it the focus.
    xcb_window_t open(quint16 width, quint16 height) const {
        const xcb_window_t window = xcb_generate_id(c());
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c())).data;
        const quint32 background = screen->white_pixel;
        xcb_create_window(c(), XCB_COPY_FROM_PARENT, window, m_x.root(), 0, 0, width, height, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, &background);
        xcb_map_window(c(), window);
        xcb_flush(c());
        return window;
    }
    void close(xcb_window_t window) const {
        xcb_destroy_window(c(), window);
        xcb_flush(c());
    }
    QSize screen() const {
        const xcb_screen_t *s = xcb_setup_roots_iterator(xcb_get_setup(c())).data;
        return {s->width_in_pixels, s->height_in_pixels};
    }

private:
    const TestXServer &m_x;
};

struct Bench {
    QString prefix;
    int rounds = 3;
    int seconds = 30;
    int inactiveSeconds = 60;
    QTemporaryDir work;
    TestXServer x;
    std::unique_ptr<QProcess> service;

    QString startService() {
        const QString program = prefix + QStringLiteral("/bin/quillbarrow-service");
        const QString data = work.filePath(QStringLiteral("service-data"));
        for (const QStringList &args :
             {QStringList{u"init"_s, u"--data"_s, data},
              QStringList{u"user"_s, u"add"_s, u"--data"_s, data, QString::fromLatin1(Email),
                          QString::fromLatin1(Password), u"Bench"_s}})
            if (QProcess::execute(program, args) != 0)
                return QStringLiteral("service ") + args.first() + QStringLiteral(" failed");
        service = std::make_unique<QProcess>();
        // Ends with the bench, however the bench ends.
        TestXServer::prepareClient(*service, x.displayName());
        service->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        service->setStandardOutputFile(QProcess::nullDevice());
        service->start(program, {u"serve"_s, u"--data"_s, data, u"--port"_s, u"8443"_s});
        return service->waitForStarted() ? QString() : service->errorString();
    }

    // A fresh copy of the installed launcher folder, with or without a saved login.
    QString prepareFolder(const QString &name, bool savedLogin) {
        const QString folder = work.filePath(name);
        QDir().mkpath(folder);
        const QDir installed(prefix + QStringLiteral("/launcher"));
        for (const QString &file : installed.entryList(QDir::Files))
            QFile::copy(installed.filePath(file), folder + u'/' + file);
        StringGrid grid;
        saveSavedLoginTable(grid, folder, savedLogin, Email, Password);
        return folder;
    }

    std::unique_ptr<QProcess> startLauncher(const QString &folder, qint64 &startupMs, xcb_window_t &window) {
        auto launcher = std::make_unique<QProcess>();
        TestXServer::prepareClient(*launcher, x.displayName());
        QProcessEnvironment environment = launcher->processEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), work.path());
        if (getuid() == 0)
            environment.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"), QStringLiteral("--no-sandbox"));
        launcher->setProcessEnvironment(environment);
        launcher->setWorkingDirectory(folder);
        launcher->setStandardOutputFile(work.filePath(QStringLiteral("launcher.log")), QIODevice::Append);
        launcher->setStandardErrorFile(work.filePath(QStringLiteral("launcher.log")), QIODevice::Append);
        const Desk desk(x);
        QElapsedTimer clock;
        clock.start();
        launcher->start(folder + QStringLiteral("/Quillbarrow.exe"), {});
        window = 0;
        for (QDeadlineTimer deadline(60000); !deadline.hasExpired() && window == 0; QThread::msleep(5)) {
            const xcb_window_t found = desk.find();
            if (found && desk.viewable(found))
                window = found;
        }
        startupMs = clock.elapsed();
        return launcher;
    }

    static void stopLauncher(QProcess &launcher) {
        launcher.kill();
        launcher.waitForFinished(10000);
    }

    // CPU % of the tree over the span, by process name, and the total.
    void measure(int round, const char *state, qint64 root) const {
        const auto before = ProcessTree::sample(root);
        QElapsedTimer clock;
        clock.start();
        QThread::sleep(seconds);
        const auto after = ProcessTree::sample(root);
        double total = 0;
        QString parts;
        for (const ProcessTree::Share &s :
             ProcessTree::shares(before, after, double(clock.elapsed()) / 1000.0)) {
            total += s.percent;
            parts += QStringLiteral("  %1 x%2 %3%")
                         .arg(QString::fromLatin1(s.name))
                         .arg(s.processes)
                         .arg(s.percent, 0, 'f', 1);
        }
        say(QStringLiteral("round %1 %2 cpu total %3%%4  | load %5")
                .arg(round)
                .arg(QLatin1String(state), -10)
                .arg(total, 0, 'f', 2)
                .arg(parts, load()));
    }

    static void memory(int round, const char *state, qint64 root) {
        qint64 tree = 0;
        const auto processes = ProcessTree::sample(root);
        for (auto it = processes.cbegin(); it != processes.cend(); ++it)
            tree += ProcessTree::pssKiB(it.key());
        say(QStringLiteral("round %1 %2 pss launcher %3 MB, tree %4 MB")
                .arg(round)
                .arg(QLatin1String(state), -10)
                .arg(double(ProcessTree::pssKiB(root)) / 1024.0, 0, 'f', 1)
                .arg(double(tree) / 1024.0, 0, 'f', 1));
    }

    static bool webEngineRuns(qint64 root) {
        for (const ProcessTree::Process &p : ProcessTree::sample(root))
            if (p.name.startsWith("QtWebEngine"))
                return true;
        return false;
    }

    void round(int n) {
        const Desk desk(x);
        qint64 startupMs = 0;
        xcb_window_t window = 0;
        {
            auto launcher =
                startLauncher(prepareFolder(QStringLiteral("login%1").arg(n), false), startupMs, window);
            say(QStringLiteral("round %1 start-up to a visible window %2 ms").arg(n).arg(startupMs));
            QThread::sleep(5);
            measure(n, "login", launcher->processId());
            memory(n, "login", launcher->processId());
            stopLauncher(*launcher);
        }
        auto launcher =
            startLauncher(prepareFolder(QStringLiteral("home%1").arg(n), true), startupMs, window);
        const qint64 pid = launcher->processId();
        for (QDeadlineTimer deadline(90000); !deadline.hasExpired() && !webEngineRuns(pid);)
            QThread::msleep(200);
        // The first ad page loads and starts its animations.
        QThread::sleep(8);
        measure(n, "home", pid);
        memory(n, "home", pid);

        desk.minimise(window);
        QThread::sleep(2);
        measure(n, "minimised", pid);
        desk.activate(window);
        QThread::sleep(3);

        const xcb_window_t cover = desk.open(quint16(desk.screen().width()), quint16(desk.screen().height()));
        QThread::sleep(2);
        measure(n, "covered", pid);
        desk.close(cover);
        desk.activate(window);
        QThread::sleep(3);

        const xcb_window_t other = desk.open(120, 120);
        QThread::sleep(inactiveSeconds);
        measure(n, "inactive", pid);
        desk.close(other);
        desk.activate(window);
        QThread::sleep(3);
        measure(n, "home again", pid);
        stopLauncher(*launcher);
    }
};

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        say(QStringLiteral("usage: IdleBench PREFIX [rounds] [seconds] [inactiveSeconds]"));
        return 2;
    }
    Bench bench;
    bench.prefix = QDir(args[1]).absolutePath();
    bench.rounds = args.size() > 2 ? args[2].toInt() : 3;
    bench.seconds = args.size() > 3 ? args[3].toInt() : 30;
    bench.inactiveSeconds = args.size() > 4 ? args[4].toInt() : 60;
    for (const QString &error : {bench.x.start(), bench.x.startWindowManager(), bench.startService()})
        if (!error.isEmpty()) {
            say(error);
            return 1;
        }
    QThread::sleep(2);
    for (int n = 1; n <= bench.rounds; ++n)
        bench.round(n);
    bench.service->terminate();
    bench.service->waitForFinished(10000);
    return 0;
}
