#include "BenchDesktop.h"

#include "AppHome.h"

#include "ProcessMemory.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace devnook::bench {

namespace {

// The panel is the first window this wide; tray icons and the tint2 panel's
// own windows are narrower or were mapped before the launch.
constexpr uint16_t kPanelMinimumWidth = 300;
constexpr int kEscapeAtMs = 3000;

// The executable and the shared libraries the dynamic loader finds for it.
QStringList programFiles(const QString &program)
{
    QStringList files{program};
    QProcess ldd;
    ldd.start(u"ldd"_s, {program});
    ldd.waitForFinished(10000);
    for (const QByteArray &line : ldd.readAllStandardOutput().split('\n')) {
        const qsizetype arrow = line.indexOf("=> /");
        if (arrow < 0)
            continue;
        const QByteArray path = line.mid(arrow + 3);
        files.append(QString::fromLocal8Bit(path.left(path.indexOf(" ("))));
    }
    return files;
}

} // namespace

BenchDesktop::BenchDesktop()
{
    // The server writes the display number it chose to its standard output.
    m_server.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"1440x900x24"_s,
                               u"-nolisten"_s, u"tcp"_s});
    QElapsedTimer waited;
    waited.start();
    while (!m_server.canReadLine() && waited.elapsed() < 10000)
        m_server.waitForReadyRead(100);
    const QByteArray number = m_server.readLine().trimmed();
    if (number.isEmpty())
        return;
    m_display = u":"_s + QString::fromLatin1(number);
    m_connection = xcb_connect(m_display.toLatin1().constData(), nullptr);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    static QTemporaryDir config;
    m_configHome = config.path();
    startClient(m_windowManager, u"openbox"_s);
    startClient(m_panel, u"tint2"_s);
    m_trayUp = waitForTray();
    // The window manager and the panel map their own windows at first.
    QThread::msleep(1000);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
}

BenchDesktop::~BenchDesktop()
{
    if (m_connection)
        xcb_disconnect(m_connection);
    for (QProcess *process : {&m_panel, &m_windowManager, &m_server}) {
        process->terminate();
        if (!process->waitForFinished(5000))
            process->kill();
        process->waitForFinished();
    }
}

QProcessEnvironment BenchDesktop::desktopEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_s, m_display);
    environment.remove(u"QT_QPA_PLATFORM"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    return environment;
}

void BenchDesktop::startClient(QProcess &process, const QString &program)
{
    QProcessEnvironment environment = desktopEnvironment();
    environment.insert(u"HOME"_s, m_configHome);
    environment.insert(u"XDG_CONFIG_HOME"_s, m_configHome);
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, {});
}

bool BenchDesktop::waitForTray()
{
    const QByteArray name = "_NET_SYSTEM_TRAY_S0";
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(name.size()), name.constData()),
        nullptr);
    if (!atom)
        return false;
    bool owned = false;
    for (int attempt = 0; attempt < 200 && !owned; ++attempt) {
        xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
            m_connection, xcb_get_selection_owner(m_connection, atom->atom), nullptr);
        owned = owner && owner->owner != XCB_NONE;
        std::free(owner);
        if (!owned)
            QThread::msleep(50);
    }
    std::free(atom);
    return owned;
}

std::optional<double> BenchDesktop::waitForPanelMap(const QElapsedTimer &sinceStart, qint64 timeoutMs)
{
    const int fd = xcb_get_file_descriptor(m_connection);
    while (sinceStart.elapsed() < timeoutMs) {
        xcb_generic_event_t *event = xcb_poll_for_event(m_connection);
        if (!event) {
            pollfd ready{fd, POLLIN, 0};
            poll(&ready, 1, 50);
            continue;
        }
        // Timed as it is read, before the geometry's round trip.
        const double at = static_cast<double>(sinceStart.nsecsElapsed()) / 1e6;
        const bool isMap = (event->response_type & 0x7F) == XCB_MAP_NOTIFY;
        const xcb_window_t window = isMap ? reinterpret_cast<xcb_map_notify_event_t *>(event)->window : 0;
        std::free(event);
        if (!isMap)
            continue;
        xcb_get_geometry_reply_t *geometry =
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
        const bool isPanel = geometry && geometry->width >= kPanelMinimumWidth;
        std::free(geometry);
        if (isPanel)
            return at;
    }
    return std::nullopt;
}

// This machine's memory reclaim pages out file pages that no process maps.
// The benchmark itself maps the Qt libraries that the bare app uses, so those
// always stay in memory, while Devnook's executable and the libraries only it
// uses can be paged out between its launches and read back from disk during
// the next one. Both programs start with their files in the page cache.
void BenchDesktop::readIntoPageCache(const QString &program)
{
    if (!m_programFiles.contains(program))
        m_programFiles.insert(program, programFiles(program));
    for (const QString &path : m_programFiles.value(program)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        while (!file.read(1 << 20).isEmpty()) {
        }
    }
}

void BenchDesktop::discardEvents()
{
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
        std::free(event);
}

LaunchFigures BenchDesktop::launch(const QString &program, const QString &home, const QString &panelTitle,
                                   std::chrono::milliseconds idleAt, const QProcessEnvironment &extra)
{
    LaunchFigures figures;
    QProcessEnvironment environment = desktopEnvironment();
    giveHome(environment, home);
    environment.insert(extra);
    QProcess app;
    app.setProcessEnvironment(environment);
    app.setStandardOutputFile(QProcess::nullDevice());
    app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    readIntoPageCache(program);
    discardEvents();
    QElapsedTimer sinceStart;
    sinceStart.start();
    app.start(program, {});
    figures.startToMappedMs = waitForPanelMap(sinceStart, 20000).value_or(-1);
    QThread::msleep(static_cast<unsigned long>(std::max<qint64>(0, kEscapeAtMs - sinceStart.elapsed())));
    const QStringList search{u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^"_s + panelTitle + u"$"_s};
    xdotool(search + QStringList{u"windowfocus"_s, u"--sync"_s, u"key"_s, u"Escape"_s});
    QThread::msleep(300);
    if (!xdotool(search).trimmed().isEmpty())
        std::printf("%s: the panel did not hide; its memory is counted shown\n", qPrintable(panelTitle));
    QThread::msleep(static_cast<unsigned long>(std::max<qint64>(0, idleAt.count() - sinceStart.elapsed())));
    figures.privateDirtyKb = static_cast<double>(privateDirtyKilobytes(app.processId()));
    app.terminate();
    if (!app.waitForFinished(10000)) {
        app.kill();
        app.waitForFinished();
    }
    return figures;
}

QString BenchDesktop::xdotool(const QStringList &arguments) const
{
    QProcess tool;
    tool.setProcessEnvironment(desktopEnvironment());
    tool.start(u"xdotool"_s, arguments);
    tool.waitForFinished(5000);
    return QString::fromLocal8Bit(tool.readAllStandardOutput());
}

} // namespace devnook::bench
