#include "platform/WindowCover.h"

#include <QGuiApplication>
#include <QRegion>
#include <cstdlib>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace {

struct FreeReply {
    void operator()(void *reply) const { std::free(reply); }
};
template<typename T> using Reply = std::unique_ptr<T, FreeReply>;

// Errors come back through the reply call and are dropped with it.
template<typename T> Reply<T> take(T *reply, xcb_generic_error_t *error) {
    std::free(error);
    return Reply<T>(reply);
}

Reply<xcb_query_tree_reply_t> treeOf(xcb_connection_t *c, xcb_window_t window) {
    xcb_generic_error_t *error = nullptr;
    auto *reply = xcb_query_tree_reply(c, xcb_query_tree(c, window), &error);
    return take(reply, error);
}

// Window managers nest the client in a frame or two; more is not searched.
constexpr int MaxFrameDepth = 4;

} // namespace

bool windowCovered(quintptr window) {
    const auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *c = x11 ? x11->connection() : nullptr;
    if (!c || window == 0)
        return false;
    // The root's child that holds the window: the window manager's frame or the window itself.
    xcb_window_t top = xcb_window_t(window);
    Reply<xcb_query_tree_reply_t> tree = treeOf(c, top);
    for (int depth = 0; tree && tree->parent != tree->root && depth < MaxFrameDepth; ++depth)
        tree = treeOf(c, top = tree->parent);
    if (!tree || tree->parent != tree->root)
        return false;
    const Reply<xcb_query_tree_reply_t> stack = treeOf(c, tree->root);
    if (!stack)
        return false;
    // Children come bottom to top: only those after ours can hide it.
    const xcb_window_t *children = xcb_query_tree_children(stack.get());
    const int count = xcb_query_tree_children_length(stack.get());
    int first = count;
    for (int i = 0; i < count; ++i)
        if (children[i] == top)
            first = i;
    std::vector<std::pair<xcb_get_window_attributes_cookie_t, xcb_get_geometry_cookie_t>> asked;
    for (int i = first; i < count; ++i)
        asked.emplace_back(xcb_get_window_attributes(c, children[i]), xcb_get_geometry(c, children[i]));
    QRegion own;
    QRegion above;
    for (std::size_t i = 0; i < asked.size(); ++i) {
        xcb_generic_error_t *error = nullptr;
        const auto attributes = take(xcb_get_window_attributes_reply(c, asked[i].first, &error), error);
        error = nullptr;
        const auto geometry = take(xcb_get_geometry_reply(c, asked[i].second, &error), error);
        if (!attributes || !geometry)
            continue;
        const QRect area(geometry->x, geometry->y, geometry->width + 2 * geometry->border_width,
                         geometry->height + 2 * geometry->border_width);
        if (i == 0)
            own = area;
        else if (attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
                 attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT)
            above += area;
    }
    return !own.isEmpty() && own.subtracted(above).isEmpty();
}
