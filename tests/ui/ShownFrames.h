#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QRect>
#include <QSet>

struct xcb_connection_t;

namespace devnook::test {

// The frames in which a window is shown, from the X server's own reports on
// a connection of its own: the frame the window manager maps it in, then
// every frame it is moved or resized to while it stays mapped. Reading the
// geometry now and then can miss a frame that was shown briefly, or pair the
// window with a frame the manager has already left; these reports come in
// the server's order, so each frame here was on screen, and none is missed.
class ShownFrames {
public:
    // Follows the application's window, inside whatever frame the window
    // manager puts it.
    explicit ShownFrames(quint32 window);
    ~ShownFrames();
    ShownFrames(const ShownFrames &) = delete;
    ShownFrames &operator=(const ShownFrames &) = delete;

    // False when the X server could not be reached.
    bool isValid() const { return m_connection != nullptr; }

    // Each showing since the recorder started, oldest first: the frame the
    // window was mapped in, then the frames it took while mapped. A window
    // already shown at the start counts as shown in the frame it had then.
    QList<QList<QRect>> showings();
    // Where the window is shown now; empty while it is not shown.
    QRect current();
    // How often someone wrote that property on the window since the start.
    int writesOf(const QByteArray &property);
    // Asks the window manager for an answer and waits for it: true once it
    // has handled everything the server passed it before.
    bool waitForWindowManager(int timeoutMs);

private:
    void read();
    quint32 atom(const QByteArray &name);
    void setShown(bool shown);
    void showIn(const QRect &frame);

    xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
    quint32 m_window = 0;
    // A window that is never shown, for the window manager to answer on.
    quint32 m_probe = 0;
    quint32 m_answer = 0;
    int m_answers = 0;
    // The window manager's frame around the window, or the window itself
    // while it has none: the child of the root that moves on screen.
    quint32 m_top = 0;
    bool m_windowMapped = false;
    bool m_shown = false;
    QSize m_windowSize;
    QHash<quint32, QRect> m_rootChildren;
    QSet<quint32> m_mappedRootChildren;
    QHash<quint32, int> m_propertyWrites;
    QHash<QByteArray, quint32> m_atoms;
    QList<QList<QRect>> m_showings;
};

} // namespace devnook::test
