#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QString>
#include <chrono>
#include <optional>

struct xcb_connection_t;

namespace devnook::bench {

// What one launch of an application showed.
struct LaunchFigures {
    // From the start of the process to its panel's window on screen.
    double startToMappedMs = -1;
    // Private_Dirty of the process at its idle moment, the panel hidden.
    double privateDirtyKb = -1;
};

// A private X server with openbox and a tint2 panel holding a tray, as a
// user's desktop would have, on a display number the server picks itself.
class BenchDesktop {
public:
    BenchDesktop();
    ~BenchDesktop();

    BenchDesktop(const BenchDesktop &) = delete;
    BenchDesktop &operator=(const BenchDesktop &) = delete;

    // True once the server, the window manager and the tray are up.
    bool isUp() const { return m_connection != nullptr && m_trayUp; }

    // Reads the program's files into the page cache, starts it with HOME and
    // the XDG folders under home, waits for its panel (the first window at
    // least 300 wide) to be mapped, hides the panel with Escape once it has
    // the keyboard, reads the process's private dirty memory when idleAt has
    // passed since the start, and ends it.
    LaunchFigures launch(const QString &program, const QString &home, const QString &panelTitle,
                         std::chrono::milliseconds idleAt, const QProcessEnvironment &extra = {});

private:
    QProcessEnvironment desktopEnvironment() const;
    void startClient(QProcess &process, const QString &program);
    bool waitForTray();
    // Milliseconds from the start to the panel's map, or nothing in time.
    std::optional<double> waitForPanelMap(const QElapsedTimer &sinceStart, qint64 timeoutMs);
    void discardEvents();
    void readIntoPageCache(const QString &program);
    QString xdotool(const QStringList &arguments) const;

    QString m_display;
    QProcess m_server;
    QProcess m_windowManager;
    QProcess m_panel;
    QString m_configHome;
    xcb_connection_t *m_connection = nullptr;
    bool m_trayUp = false;
    // Each program's executable and the shared libraries it needs.
    QHash<QString, QStringList> m_programFiles;
};

} // namespace devnook::bench
