#include "TestXServer.h"

#include <QDeadlineTimer>
#include <QThread>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/prctl.h>
#include <xcb/xcb.h>

namespace {

void dieWithParent() {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
}

void endProcess(std::unique_ptr<QProcess> &process) {
    if (!process)
        return;
    if (process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(10000)) {
            process->kill();
            process->waitForFinished(10000);
        }
    }
    process.reset();
}

} // namespace

void TestXServer::Disconnect::operator()(xcb_connection_t *connection) const {
    xcb_disconnect(connection);
}

TestXServer::TestXServer() = default;

TestXServer::~TestXServer() {
    stop();
}

QString TestXServer::start() {
    m_server = std::make_unique<QProcess>();
    m_server->setChildProcessModifier(dieWithParent);
    m_server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The server writes its display number to stdout once it accepts connections.
    m_server->start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                     QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                     QStringLiteral("tcp")});
    if (!m_server->waitForStarted(30000))
        return QStringLiteral("Xvfb did not start: ") + m_server->errorString();
    QDeadlineTimer deadline(60000);
    while (!m_server->canReadLine() && !deadline.hasExpired() && m_server->state() == QProcess::Running)
        m_server->waitForReadyRead(200);
    const QByteArray number = m_server->readLine().trimmed();
    if (number.isEmpty())
        return QStringLiteral("Xvfb gave no display number");
    m_displayName = ':' + number;

    int screen = 0;
    m_connection.reset(xcb_connect(m_displayName.constData(), &screen));
    if (xcb_connection_has_error(m_connection.get()) != 0)
        return QStringLiteral("cannot connect to ") + QString::fromLatin1(m_displayName);
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection.get())).data->root;
    return {};
}

QString TestXServer::startWindowManager() {
    m_windowManager = std::make_unique<QProcess>();
    prepareClient(*m_windowManager, m_displayName);
    m_windowManager->setProcessChannelMode(QProcess::ForwardedChannels);
    m_windowManager->start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    if (!m_windowManager->waitForStarted(30000))
        return QStringLiteral("openbox did not start: ") + m_windowManager->errorString();
    // A window manager announces itself by owning the WM_S0 selection.
    const xcb_atom_t selection = atom("WM_S0");
    QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
            xcb_get_selection_owner_reply(m_connection.get(),
                                          xcb_get_selection_owner(m_connection.get(), selection), nullptr),
            &std::free);
        if (reply && reply->owner != XCB_WINDOW_NONE)
            return {};
        if (m_windowManager->state() != QProcess::Running)
            return QStringLiteral("openbox ended");
        QThread::msleep(50);
    }
    return QStringLiteral("openbox never took WM_S0");
}

void TestXServer::stop() {
    endProcess(m_windowManager);
    m_connection.reset();
    endProcess(m_server);
}

quint32 TestXServer::atom(const char *name) const {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(
            m_connection.get(),
            xcb_intern_atom(m_connection.get(), 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

quint32 TestXServer::parentOf(quint32 window) const {
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> reply(
        xcb_query_tree_reply(m_connection.get(), xcb_query_tree(m_connection.get(), window), nullptr),
        &std::free);
    return reply ? reply->parent : xcb_window_t{XCB_WINDOW_NONE};
}

bool TestXServer::hasProperty(quint32 window, const char *name) const {
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(
            m_connection.get(),
            xcb_get_property(m_connection.get(), 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 0),
            nullptr),
        &std::free);
    return reply && reply->type != XCB_ATOM_NONE;
}

void TestXServer::prepareClient(QProcess &process, const QByteArray &displayName) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(displayName));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier(dieWithParent);
}
