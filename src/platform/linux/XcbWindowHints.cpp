#include "XcbWindowHints.h"

#include <QGuiApplication>
#include <QList>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace devnook {

namespace {

struct FreeDeleter {
    void operator()(void *reply) const { std::free(reply); }
};
template <typename Reply> using ReplyPointer = std::unique_ptr<Reply, FreeDeleter>;

// The atoms in one round trip to the server: the panel is mapped right after.
template <size_t Count>
std::array<xcb_atom_t, Count> atoms(xcb_connection_t *connection, const char *const (&names)[Count])
{
    std::array<xcb_intern_atom_cookie_t, Count> cookies{};
    for (size_t i = 0; i < Count; ++i)
        cookies[i] = xcb_intern_atom(connection, 0, uint16_t(std::strlen(names[i])), names[i]);
    std::array<xcb_atom_t, Count> result{};
    for (size_t i = 0; i < Count; ++i) {
        const ReplyPointer<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(connection, cookies[i], nullptr));
        result[i] = reply ? reply->atom : xcb_atom_t(XCB_NONE);
    }
    return result;
}

xcb_connection_t *x11Connection()
{
    const auto *native = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return native ? native->connection() : nullptr;
}

} // namespace

void XcbWindowHints::markAsFloatingPanel(quintptr nativeWindow)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection || nativeWindow == 0)
        return;
    const auto window = xcb_window_t(nativeWindow);
    const auto [state, skipTaskbar, skipPager, sticky, desktop] =
        atoms(connection, {"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER",
                           "_NET_WM_STATE_STICKY", "_NET_WM_DESKTOP"});
    const xcb_atom_t wanted[] = {skipTaskbar, skipPager, sticky};
    if (state == XCB_NONE)
        return;

    // Written on the unmapped window, they are read by the window manager at
    // the next map, as Qt's own states are. Some managers put a window on
    // every desktop for the sticky state, others (openbox) only for this
    // desktop number.
    const uint32_t everyDesktop = 0xFFFFFFFF;
    if (desktop != XCB_NONE)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, desktop, XCB_ATOM_CARDINAL, 32, 1,
                            &everyDesktop);
    QList<xcb_atom_t> states;
    const ReplyPointer<xcb_get_property_reply_t> current(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, state, XCB_ATOM_ATOM, 0, 64), nullptr));
    if (current && current->format == 32 && current->type == XCB_ATOM_ATOM) {
        const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(current.get()));
        const int count = xcb_get_property_value_length(current.get()) / int(sizeof(xcb_atom_t));
        states = QList<xcb_atom_t>(atoms, atoms + count);
    }
    for (const xcb_atom_t hint : wanted) {
        if (hint != XCB_NONE && !states.contains(hint))
            states.append(hint);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32,
                        uint32_t(states.size()), states.constData());
    xcb_flush(connection);
}

void XcbWindowHints::keepAsFloatingPanel(quintptr nativeWindow)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection || nativeWindow == 0)
        return;
    const auto [state, above, skipTaskbar, skipPager, sticky, desktop] =
        atoms(connection, {"_NET_WM_STATE", "_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR",
                           "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_STICKY", "_NET_WM_DESKTOP"});
    if (state == XCB_NONE || desktop == XCB_NONE)
        return;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;

    // A mapped window's states are asked of the window manager, which reads
    // the request after the map that precedes it.
    const auto ask = [&](xcb_atom_t type, std::array<uint32_t, 5> data) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = xcb_window_t(nativeWindow);
        message.type = type;
        std::copy(data.begin(), data.end(), message.data.data32);
        xcb_send_event(connection, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&message));
    };
    constexpr uint32_t add = 1;
    constexpr uint32_t fromApplication = 1;
    ask(state, {add, skipTaskbar, skipPager, fromApplication, 0});
    ask(state, {add, sticky, above, fromApplication, 0});
    ask(desktop, {0xFFFFFFFF, fromApplication, 0, 0, 0});
    xcb_flush(connection);
}

} // namespace devnook
