#include "XcbIdleTimeSource.h"

#include <cstdlib>
#include <xcb/screensaver.h>
#include <xcb/xcb.h>

namespace devnook {

std::unique_ptr<XcbIdleTimeSource> XcbIdleTimeSource::connect(const QString &displayName)
{
    const QByteArray name = displayName.toLocal8Bit();
    xcb_connection_t *connection = xcb_connect(name.isEmpty() ? nullptr : name.constData(), nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    const xcb_query_extension_reply_t *extension = xcb_get_extension_data(connection, &xcb_screensaver_id);
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!extension || !extension->present || !screen) {
        xcb_disconnect(connection);
        return nullptr;
    }
    return std::unique_ptr<XcbIdleTimeSource>(new XcbIdleTimeSource(connection, screen->root));
}

XcbIdleTimeSource::XcbIdleTimeSource(xcb_connection_t *connection, quint32 root)
    : m_connection(connection), m_root(root)
{}

XcbIdleTimeSource::~XcbIdleTimeSource()
{
    xcb_disconnect(m_connection);
}

QCoro::Task<double> XcbIdleTimeSource::secondsSinceLastInput()
{
    // One round trip to the local X server; it answers within a millisecond.
    xcb_screensaver_query_info_reply_t *info = xcb_screensaver_query_info_reply(
        m_connection, xcb_screensaver_query_info(m_connection, m_root), nullptr);
    if (!info)
        co_return 0.0;
    const double seconds = info->ms_since_user_input / 1000.0;
    std::free(info);
    co_return seconds;
}

} // namespace devnook
