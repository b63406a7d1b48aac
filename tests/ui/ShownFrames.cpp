#include "ShownFrames.h"

#include <QTest>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace devnook::test {

namespace {

struct FreeDeleter {
    void operator()(void *reply) const { std::free(reply); }
};
template <typename Reply> using Owned = std::unique_ptr<Reply, FreeDeleter>;

} // namespace

ShownFrames::ShownFrames(quint32 window) : m_window(window), m_top(window)
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    m_connection = connection;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;

    // Listen first, then read the present state, so that no change is lost.
    // A change in between is told once more after the state: start the
    // recorder while the window stands still.
    const uint32_t rootEvents = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, m_root, XCB_CW_EVENT_MASK, &rootEvents);
    const uint32_t windowEvents = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &windowEvents);

    for (quint32 child = window;;) {
        const Owned<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection, xcb_query_tree(connection, child), nullptr));
        if (!tree)
            return;
        if (tree->parent == m_root) {
            m_top = child;
            break;
        }
        child = tree->parent;
    }
    const auto geometry = [connection](quint32 of) {
        const Owned<xcb_get_geometry_reply_t> reply(
            xcb_get_geometry_reply(connection, xcb_get_geometry(connection, of), nullptr));
        return reply ? QRect(reply->x, reply->y, reply->width, reply->height) : QRect();
    };
    m_windowSize = geometry(window).size();
    m_rootChildren.insert(m_top, geometry(m_top));
    const auto mapped = [connection](quint32 of) {
        const Owned<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, of), nullptr));
        return attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
    };
    m_windowMapped = mapped(window);
    if (mapped(m_top))
        m_mappedRootChildren.insert(m_top);
    setShown(m_windowMapped && m_mappedRootChildren.contains(m_top));
}

ShownFrames::~ShownFrames()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

QList<QList<QRect>> ShownFrames::showings()
{
    read();
    return m_showings;
}

QRect ShownFrames::current()
{
    read();
    return m_shown ? m_showings.constLast().constLast() : QRect();
}

int ShownFrames::writesOf(const QByteArray &property)
{
    const quint32 name = atom(property);
    read();
    return m_propertyWrites.value(name);
}

bool ShownFrames::waitForWindowManager(int timeoutMs)
{
    if (!m_connection)
        return false;
    if (m_probe == 0) {
        m_probe = xcb_generate_id(m_connection);
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_probe, m_root, -10, -10, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    }
    // A window about to be mapped may ask for the frame it would get; the
    // manager answers by writing it on that window.
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = m_probe;
    request.type = atom("_NET_REQUEST_FRAME_EXTENTS");
    m_answer = atom("_NET_FRAME_EXTENTS");
    xcb_send_event(m_connection, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&request));
    xcb_flush(m_connection);
    const int answers = m_answers;
    return QTest::qWaitFor(
        [this, answers] {
            read();
            return m_answers > answers;
        },
        timeoutMs);
}

quint32 ShownFrames::atom(const QByteArray &name)
{
    if (!m_connection)
        return XCB_NONE;
    if (const auto known = m_atoms.constFind(name); known != m_atoms.cend())
        return *known;
    const Owned<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, uint16_t(name.size()), name.constData()), nullptr));
    const quint32 value = reply ? reply->atom : quint32(XCB_NONE);
    m_atoms.insert(name, value);
    return value;
}

void ShownFrames::setShown(bool shown)
{
    if (shown && !m_shown)
        m_showings.append({m_rootChildren.value(m_top)});
    m_shown = shown;
}

void ShownFrames::showIn(const QRect &frame)
{
    if (m_shown && m_showings.constLast().constLast() != frame)
        m_showings.last().append(frame);
}

void ShownFrames::read()
{
    if (!m_connection)
        return;
    while (const Owned<xcb_generic_event_t> event{xcb_poll_for_event(m_connection)}) {
        // A window manager's own report to the window, sent as an event,
        // repeats what the server reports.
        if (event->response_type & 0x80)
            continue;
        switch (event->response_type) {
        case XCB_CREATE_NOTIFY: {
            const auto *created = reinterpret_cast<const xcb_create_notify_event_t *>(event.get());
            if (created->parent == m_root)
                m_rootChildren.insert(created->window,
                                      QRect(created->x, created->y, created->width, created->height));
            break;
        }
        case XCB_CONFIGURE_NOTIFY: {
            const auto *configured = reinterpret_cast<const xcb_configure_notify_event_t *>(event.get());
            const QRect frame(configured->x, configured->y, configured->width, configured->height);
            if (configured->window == m_window)
                m_windowSize = frame.size();
            if (configured->event != m_root)
                break;
            m_rootChildren.insert(configured->window, frame);
            if (configured->window == m_top)
                showIn(frame);
            break;
        }
        case XCB_REPARENT_NOTIFY: {
            const auto *reparented = reinterpret_cast<const xcb_reparent_notify_event_t *>(event.get());
            if (reparented->event != m_window || reparented->window != m_window)
                break;
            setShown(false);
            m_top = reparented->parent == m_root ? m_window : reparented->parent;
            if (m_top == m_window)
                m_rootChildren.insert(m_window, QRect(QPoint(reparented->x, reparented->y), m_windowSize));
            break;
        }
        case XCB_MAP_NOTIFY: {
            const auto *map = reinterpret_cast<const xcb_map_notify_event_t *>(event.get());
            if (map->event == m_root)
                m_mappedRootChildren.insert(map->window);
            if (map->window == m_window)
                m_windowMapped = true;
            break;
        }
        case XCB_UNMAP_NOTIFY: {
            const auto *unmap = reinterpret_cast<const xcb_unmap_notify_event_t *>(event.get());
            if (unmap->event == m_root)
                m_mappedRootChildren.remove(unmap->window);
            if (unmap->window == m_window)
                m_windowMapped = false;
            break;
        }
        case XCB_DESTROY_NOTIFY: {
            const auto *destroyed = reinterpret_cast<const xcb_destroy_notify_event_t *>(event.get());
            m_rootChildren.remove(destroyed->window);
            m_mappedRootChildren.remove(destroyed->window);
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto *property = reinterpret_cast<const xcb_property_notify_event_t *>(event.get());
            if (property->window == m_window && property->state == XCB_PROPERTY_NEW_VALUE)
                ++m_propertyWrites[property->atom];
            if (property->window == m_probe && property->atom == m_answer &&
                property->state == XCB_PROPERTY_NEW_VALUE)
                ++m_answers;
            break;
        }
        default:
            break;
        }
        setShown(m_windowMapped && m_mappedRootChildren.contains(m_top));
    }
}

} // namespace devnook::test
