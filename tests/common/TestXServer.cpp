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
    if (process && process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(10000))
            process->kill();
        process->waitForFinished(10000);
    }
    process.reset();
}

// A reply freed with the scope.
template<typename Reply> std::unique_ptr<Reply, decltype(&std::free)> owned(Reply *reply) {
    return {reply, &std::free};
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
                    QStringLiteral("-displayfd 1 -screen 0 1280x800x24 -nolisten tcp").split(u' '));
    QDeadlineTimer deadline(60000);
    while (!m_server->canReadLine() && !deadline.hasExpired() && m_server->state() != QProcess::NotRunning)
        m_server->waitForReadyRead(200);
    const QByteArray number = m_server->readLine().trimmed();
    if (number.isEmpty())
        return QStringLiteral("Xvfb gave no display number: ") + m_server->errorString();
    m_displayName = ':' + number;
    m_connection.reset(xcb_connect(m_displayName.constData(), nullptr));
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
    // A window manager announces itself by owning the WM_S0 selection.
    const xcb_atom_t selection = atom("WM_S0");
    for (QDeadlineTimer deadline(60000); !deadline.hasExpired(); QThread::msleep(50)) {
        const auto reply = owned(xcb_get_selection_owner_reply(
            m_connection.get(), xcb_get_selection_owner(m_connection.get(), selection), nullptr));
        if (reply && reply->owner != XCB_WINDOW_NONE)
            return {};
        if (m_windowManager->state() == QProcess::NotRunning)
            return QStringLiteral("openbox ended: ") + m_windowManager->errorString();
    }
    return QStringLiteral("openbox never took WM_S0");
}

void TestXServer::stop() {
    endProcess(m_windowManager);
    m_connection.reset();
    endProcess(m_server);
}

quint32 TestXServer::atom(const char *name) const {
    const auto cookie = xcb_intern_atom(m_connection.get(), 0, uint16_t(std::strlen(name)), name);
    const auto reply = owned(xcb_intern_atom_reply(m_connection.get(), cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

quint32 TestXServer::parentOf(quint32 window) const {
    const auto reply =
        owned(xcb_query_tree_reply(m_connection.get(), xcb_query_tree(m_connection.get(), window), nullptr));
    return reply ? reply->parent : xcb_window_t{XCB_WINDOW_NONE};
}

bool TestXServer::hasProperty(quint32 window, const char *name) const {
    const auto cookie =
        xcb_get_property(m_connection.get(), 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 0);
    const auto reply = owned(xcb_get_property_reply(m_connection.get(), cookie, nullptr));
    return reply && reply->type != XCB_ATOM_NONE;
}

void TestXServer::prepareClient(QProcess &process, const QByteArray &displayName) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(displayName));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier(dieWithParent);
}
