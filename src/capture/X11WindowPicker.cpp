#include "capture/X11WindowPicker.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <deque>
#include <memory>

namespace ardane::capture {

namespace {

// xcb replies are malloc'ed.
struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

std::uint32_t firstRoot(xcb_connection_t* c)
{
    if (!c || xcb_connection_has_error(c))
        return 0;
    const xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    return it.rem > 0 ? it.data->root : 0;
}

xcb_connection_t* applicationConnection()
{
    if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        return x11->connection();
    return nullptr;
}

// Windows nest only a few levels below a frame; this bounds the search on a
// pathological tree.
constexpr int kMaxWindowsSearched = 256;

} // namespace

X11WindowPicker::X11WindowPicker() : X11WindowPicker(applicationConnection(), 0) {}

X11WindowPicker::X11WindowPicker(xcb_connection_t* connection, std::uint32_t root)
    : m_connection(connection), m_root(root != 0 ? root : firstRoot(connection))
{
    if (!isValid())
        return;
    static const char name[] = "WM_STATE";
    const Reply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 1, sizeof name - 1, name), nullptr));
    if (atom)
        m_wmState = atom->atom;
}

QRect X11WindowPicker::screenRect() const
{
    if (!isValid())
        return {};
    const Reply<xcb_get_geometry_reply_t> g(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, m_root), nullptr));
    return g ? QRect(0, 0, g->width, g->height) : QRect();
}

std::optional<QPoint> X11WindowPicker::pointerPosition() const
{
    if (!isValid())
        return std::nullopt;
    const Reply<xcb_query_pointer_reply_t> p(
        xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr));
    if (!p || !p->same_screen)
        return std::nullopt;
    return QPoint(p->root_x, p->root_y);
}

std::uint32_t X11WindowPicker::childAt(std::uint32_t parent, const QPoint& point) const
{
    // Translating a point of the root to the root names the mapped top-level
    // child that contains it.
    const Reply<xcb_translate_coordinates_reply_t> t(xcb_translate_coordinates_reply(
        m_connection,
        xcb_translate_coordinates(m_connection, parent, parent, std::int16_t(point.x()), std::int16_t(point.y())),
        nullptr));
    return t ? t->child : 0;
}

bool X11WindowPicker::hasWmState(std::uint32_t window) const
{
    if (m_wmState == 0)
        return false;
    const Reply<xcb_get_property_reply_t> p(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, m_wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 0),
        nullptr));
    return p && p->type != XCB_NONE;
}

std::uint32_t X11WindowPicker::clientOf(std::uint32_t frame) const
{
    // Breadth first: the client is usually one or two levels below the frame.
    std::deque<std::uint32_t> queue{frame};
    for (int searched = 0; !queue.empty() && searched < kMaxWindowsSearched; ++searched) {
        const std::uint32_t w = queue.front();
        queue.pop_front();
        if (hasWmState(w))
            return w;
        const Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, w), nullptr));
        if (!tree)
            continue;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        const int count = xcb_query_tree_children_length(tree.get());
        for (int i = 0; i < count; ++i)
            queue.push_back(children[i]);
    }
    // No window manager: the top-level window is the client itself.
    return frame;
}

std::optional<QRect> X11WindowPicker::windowRect(std::uint32_t window, bool withBorder) const
{
    const Reply<xcb_get_geometry_reply_t> g(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr));
    if (!g)
        return std::nullopt;
    const Reply<xcb_translate_coordinates_reply_t> t(xcb_translate_coordinates_reply(
        m_connection, xcb_translate_coordinates(m_connection, window, m_root, 0, 0), nullptr));
    if (!t)
        return std::nullopt;
    QRect r(t->dst_x, t->dst_y, g->width, g->height);
    if (withBorder) {
        const int b = g->border_width;
        r.adjust(-b, -b, b, b);
    }
    return r;
}

CaptureTarget X11WindowPicker::pickAt(const QPoint& screenPoint) const
{
    CaptureTarget target{CaptureTarget::Kind::Screen, screenRect()};
    if (!isValid())
        return target;
    const std::uint32_t frame = childAt(m_root, screenPoint);
    if (frame == 0 || frame == m_root)
        return target;
    const std::optional<QRect> whole = windowRect(frame, true);
    if (!whole)
        return target;
    const std::uint32_t client = clientOf(frame);
    if (const std::optional<QRect> inside = windowRect(client, false); inside && inside->contains(screenPoint))
        return {CaptureTarget::Kind::Inside, *inside};
    return {CaptureTarget::Kind::Window, *whole};
}

void clearX11WindowTitle(std::uint32_t window)
{
    xcb_connection_t* c = applicationConnection();
    if (!c || window == 0)
        return;
    static const char netName[] = "_NET_WM_NAME";
    static const char utf8[] = "UTF8_STRING";
    const xcb_intern_atom_cookie_t nameCookie = xcb_intern_atom(c, 0, sizeof netName - 1, netName);
    const xcb_intern_atom_cookie_t utf8Cookie = xcb_intern_atom(c, 0, sizeof utf8 - 1, utf8);
    const Reply<xcb_intern_atom_reply_t> name(xcb_intern_atom_reply(c, nameCookie, nullptr));
    const Reply<xcb_intern_atom_reply_t> type(xcb_intern_atom_reply(c, utf8Cookie, nullptr));
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, "");
    if (name && type)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, name->atom, type->atom, 8, 0, "");
    xcb_flush(c);
}

} // namespace ardane::capture
