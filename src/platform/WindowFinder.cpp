#include "platform/WindowFinder.h"

#include "platform/SigPipeBlock.h"

#include <QString>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace {

// Frames of window managers nest the client a level or two deep; more is not searched.
constexpr int MaxFrameDepth = 4;

struct FreeReply {
    void operator()(void *reply) const { std::free(reply); }
};
template<typename T> using Reply = std::unique_ptr<T, FreeReply>;

// Errors come back through the reply call; they must not pile up in the event queue.
Reply<xcb_get_property_reply_t> takeProperty(xcb_connection_t *connection, xcb_get_property_cookie_t cookie) {
    xcb_generic_error_t *error = nullptr;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, &error));
    std::free(error);
    return reply;
}

bool present(const xcb_get_property_reply_t *reply) {
    return reply && reply->type != XCB_ATOM_NONE;
}

// The property was read up to one byte past the title's length, so a longer name shows as
// bytes_after or as a longer value.
bool sameTitle(const xcb_get_property_reply_t *reply, const QByteArray &title) {
    if (!present(reply) || reply->format != 8 || reply->bytes_after != 0)
        return false;
    const int length = xcb_get_property_value_length(reply);
    const char *value = static_cast<const char *>(xcb_get_property_value(reply));
    if (reply->type == XCB_ATOM_STRING) // ISO 8859-1 by definition; the title is UTF-8
        return QString::fromLatin1(value, length).toUtf8() == title;
    return length == title.size() && std::memcmp(value, title.constData(), static_cast<size_t>(length)) == 0;
}

struct Probe {
    xcb_get_property_cookie_t state;
    xcb_get_property_cookie_t netName;
    xcb_get_property_cookie_t name;
};

} // namespace

WindowFinder::WindowFinder(QByteArray displayName)
    : m_display(std::move(displayName)) {}

bool WindowFinder::refreshAtoms(xcb_connection_t *connection) {
    if (m_atomGeneration == m_display.generation())
        return true;
    const auto ask = [connection](const char *name) {
        return xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    };
    const xcb_intern_atom_cookie_t netWmName = ask("_NET_WM_NAME");
    const xcb_intern_atom_cookie_t wmState = ask("WM_STATE");
    const auto take = [connection](xcb_intern_atom_cookie_t cookie) -> xcb_atom_t {
        xcb_generic_error_t *error = nullptr;
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, &error));
        std::free(error);
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    };
    m_netWmName = take(netWmName);
    m_wmState = take(wmState);
    if (m_netWmName == XCB_ATOM_NONE || m_wmState == XCB_ATOM_NONE)
        return false;
    m_atomGeneration = m_display.generation();
    return true;
}

bool WindowFinder::exists(const QByteArray &exactTitle) {
    if (exactTitle.isEmpty())
        return false;
    const SigPipeBlock noSigPipe;
    xcb_connection_t *connection = m_display.connection();
    if (!connection || !refreshAtoms(connection))
        return false;

    std::vector<xcb_window_t> roots;
    for (auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection)); screens.rem > 0;
         xcb_screen_next(&screens))
        roots.push_back(screens.data->root);

    const auto childrenOf = [connection](const std::vector<xcb_window_t> &parents) {
        std::vector<xcb_query_tree_cookie_t> cookies;
        cookies.reserve(parents.size());
        for (xcb_window_t parent : parents)
            cookies.push_back(xcb_query_tree(connection, parent));
        std::vector<xcb_window_t> children;
        for (xcb_query_tree_cookie_t cookie : cookies) {
            xcb_generic_error_t *error = nullptr;
            Reply<xcb_query_tree_reply_t> reply(xcb_query_tree_reply(connection, cookie, &error));
            std::free(error); // a window destroyed meanwhile
            if (!reply)
                continue;
            const xcb_window_t *list = xcb_query_tree_children(reply.get());
            children.insert(children.end(), list, list + xcb_query_tree_children_length(reply.get()));
        }
        return children;
    };

    // Enough of each name to tell an exact match from a longer one.
    const auto nameUnits = static_cast<uint32_t>((exactTitle.size() + 1 + 3) / 4);
    bool found = false;
    std::vector<xcb_window_t> level = childrenOf(roots);
    for (int depth = 0; depth <= MaxFrameDepth && !level.empty(); ++depth) {
        std::vector<Probe> probes;
        probes.reserve(level.size());
        for (xcb_window_t window : level) {
            probes.push_back(
                {xcb_get_property(connection, 0, window, m_wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 0),
                 xcb_get_property(connection, 0, window, m_netWmName, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                  nameUnits),
                 xcb_get_property(connection, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                  nameUnits)});
        }
        // Every reply is taken even after a match, so that none is left behind on the connection.
        std::vector<xcb_window_t> framesToSearch;
        for (std::size_t i = 0; i < level.size(); ++i) {
            const auto state = takeProperty(connection, probes[i].state);
            const auto netName = takeProperty(connection, probes[i].netName);
            const auto name = takeProperty(connection, probes[i].name);
            const bool client = present(state.get());
            // Below the roots only a client window counts; a frame's decoration windows do not.
            if (depth == 0 || client) {
                if (present(netName.get()) ? sameTitle(netName.get(), exactTitle)
                                           : sameTitle(name.get(), exactTitle))
                    found = true;
            }
            if (!client)
                framesToSearch.push_back(level[i]);
        }
        if (found || depth == MaxFrameDepth)
            break;
        level = childrenOf(framesToSearch);
    }
    return found;
}
