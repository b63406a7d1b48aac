#include "XcbHotKeyGrabber.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QTimer>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

Q_LOGGING_CATEGORY(lcHotKey, "devnook.hotkey")

namespace devnook {

namespace {

constexpr xcb_keysym_t kKeysymL = 0x006c;
constexpr uint16_t kModifiers = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
// Caps Lock and Num Lock (Mod2 on every common layout) must not stop the key.
constexpr uint16_t kIgnoredLocks[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                      XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

struct X11 {
    xcb_connection_t *connection = nullptr;
    xcb_window_t root = XCB_NONE;
};

X11 x11()
{
    const auto *native = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!native || !native->connection())
        return {};
    xcb_connection_t *connection = native->connection();
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    return {connection, screen ? screen->root : xcb_window_t(XCB_NONE)};
}

} // namespace

XcbHotKeyGrabber::~XcbHotKeyGrabber()
{
    ungrab();
}

bool XcbHotKeyGrabber::grab(std::function<void()> pressed)
{
    const X11 display = x11();
    if (!display.connection || display.root == XCB_NONE)
        return false;

    xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(display.connection);
    if (!symbols)
        return false;
    xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, kKeysymL);
    QList<quint8> keycodes;
    for (xcb_keycode_t *code = codes; code && *code != XCB_NO_SYMBOL; ++code)
        keycodes.append(*code);
    std::free(codes);
    xcb_key_symbols_free(symbols);

    bool grabbedAll = !keycodes.isEmpty();
    for (const quint8 keycode : std::as_const(keycodes)) {
        for (const uint16_t locks : kIgnoredLocks) {
            const xcb_void_cookie_t cookie =
                xcb_grab_key_checked(display.connection, 1, display.root, kModifiers | locks, keycode,
                                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            if (xcb_generic_error_t *error = xcb_request_check(display.connection, cookie)) {
                qCWarning(lcHotKey) << "X11 refused the hot key grab, error" << error->error_code;
                std::free(error);
                grabbedAll = false;
            }
        }
    }
    m_keycodes = keycodes;
    if (!grabbedAll) {
        ungrab();
        return false;
    }
    m_pressed = std::move(pressed);
    QCoreApplication::instance()->installNativeEventFilter(this);
    m_filterInstalled = true;
    return true;
}

void XcbHotKeyGrabber::ungrab()
{
    if (m_filterInstalled && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    m_filterInstalled = false;
    const X11 display = x11();
    if (display.connection) {
        for (const quint8 keycode : std::as_const(m_keycodes))
            for (const uint16_t locks : kIgnoredLocks)
                xcb_ungrab_key(display.connection, keycode, display.root, kModifiers | locks);
        xcb_flush(display.connection);
    }
    m_keycodes.clear();
}

bool XcbHotKeyGrabber::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto *key = static_cast<const xcb_key_press_event_t *>(message);
    const uint16_t modifiers =
        key->state & (XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_1 | XCB_MOD_MASK_4);
    if (modifiers != kModifiers || !m_keycodes.contains(key->detail))
        return false;
    // Leave the event dispatch before showing windows.
    QTimer::singleShot(0, QCoreApplication::instance(), [pressed = m_pressed] {
        if (pressed)
            pressed();
    });
    // Qt still sees the press (on the root window, which it ignores) and takes
    // its time as the latest user time; without it X would refuse to focus the
    // panel with an older time stamp.
    return false;
}

} // namespace devnook
