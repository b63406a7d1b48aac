#include "XcbWindowHints.h"

#include <QGuiApplication>
#include <QList>
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

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    const ReplyPointer<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_NONE);
}

} // namespace

void XcbWindowHints::keepOffTaskbarAndPager(quintptr nativeWindow)
{
    const auto *native = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = native ? native->connection() : nullptr;
    if (!connection || nativeWindow == 0)
        return;
    const auto window = xcb_window_t(nativeWindow);
    const xcb_atom_t state = atom(connection, "_NET_WM_STATE");
    const xcb_atom_t wanted[] = {atom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                                 atom(connection, "_NET_WM_STATE_SKIP_PAGER")};
    if (state == XCB_NONE)
        return;

    // Written on the unmapped window the window manager reads it at the next
    // map, as Qt does with its own states.
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

} // namespace devnook
