// The panel with a catalogue of 500 projects: building the list, filtering on
// each keystroke, repainting one changed row, the cost of a status refresh,
// and the optimised application's start-up time and idle memory under Xvfb.
#include "core/environment/Clipboard.h"
#include "core/environment/EnvProfileService.h"
#include "core/environment/GitStatusService.h"
#include "core/environment/ProjectCommandService.h"
#include "core/environment/TerminalLauncher.h"
#include "core/environment/UrlOpener.h"
#include "core/form/ProjectFormSeams.h"
#include "core/foundation/Clock.h"
#include "core/projects/JSONProjectPersistence.h"
#include "ui/kit/AlertAsker.h"
#include "ui/panel/DevnookPopoverView.h"
#include "ui/panel/PanelWindows.h"
#include "ui/panel/ProjectListModel.h"
#include "ui/panel/ProjectListView.h"
#include "ui/shell/DevnookNavigation.h"

#include <QApplication>
#include <QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <xcb/xcb.h>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

constexpr int kProjects = 500;
// One project in ten is a git work tree; the others cost one git call each.
constexpr int kRepositoryEvery = 10;

class BenchStore final : public PanelStore {
public:
    QList<DevProject> list;
    QHash<QUuid, ProjectGitStatus> git;
    QHash<QUuid, ProjectEnvProfile> env;
    QHash<QUuid, DevProcessState> states;

    void setState(const QUuid &id, DevProcessState state)
    {
        states.insert(id, state);
        Q_EMIT projectStateChanged(id);
    }
    const QList<DevProject> &projects() const override { return list; }
    const QHash<QUuid, ProjectGitStatus> &gitStatuses() const override { return git; }
    const QHash<QUuid, ProjectEnvProfile> &envProfiles() const override { return env; }
    UsageTrackingState usageTrackingState(const QUuid &) const override { return {}; }
    DevProcessState displayProcessState(const DevProject &project) const override
    {
        return states.value(project.id, DevProcessState::stopped);
    }
    std::optional<QString> lastError() const override { return std::nullopt; }
    bool isDevicePreviewActive(const QUuid &) const override { return false; }
    std::optional<DevicePreviewHealthSummary> devicePreviewHealth(const QUuid &) const override { return {}; }
    void refreshProjectStatuses() override {}
    void togglePinned(const DevProject &) override {}
    void markUsed(const DevProject &) override {}
    void archive(const DevProject &) override {}
    void restore(const DevProject &) override {}
    void deleteProject(const DevProject &) override {}
    void toggleDevProcess(const DevProject &) override {}
    void restartDevProcess(const DevProject &) override {}
    void startWorkspace(const DevProject &) override {}
    void toggleUsageTrackingPause(const DevProject &) override {}
};

struct QuietDesktop final : UrlOpener,
                            Clipboard,
                            TerminalLauncher,
                            AlertAsker,
                            PanelWindows,
                            ProjectFormCatalogue {
    Result<void> open(const QUrl &) override { return Result<void>::success(); }
    void setText(const QString &) override {}
    void openIn(const QString &) override {}
    int ask(const AlertRequest &request) override { return request.harmlessButton; }
    RowWindows available() const override { return {}; }
    void showLogs(const DevProject &) override {}
    void showEnvDetails(const DevProject &) override {}
    void showUsage(const DevProject &) override {}
    void showDevicePreview(const DevProject &) override {}
    QList<DevProject> projects() const override { return {}; }
    bool save(const DevProject &) override { return true; }
    std::optional<QString> lastError() const override { return std::nullopt; }
};

void figure(const char *name, double value, const char *unit)
{
    std::printf("figure %s: %.2f %s\n", name, value, unit);
    std::fflush(stdout);
}

double milliseconds(const QElapsedTimer &timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void run(const QString &program, const QStringList &arguments, const QString &folder = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    process.waitForFinished(-1);
}

// 500 projects in real folders: names, clients, stacks, links; every tenth a
// git repository (every other one of those dirty), every seventh with .env
// files, one in fifty without its folder.
QList<DevProject> makeCatalogue(const QString &root)
{
    static const QStringList clients{u"Acme"_s, u"Tinto"_s, u"Marea"_s, u"Bravo"_s, u""_s, u"Solo"_s};
    static const QStringList stacks{u"Nuxt"_s, u"Astro"_s, u"Laravel"_s, u"Next"_s,
                                    u"Vue"_s,  u"Hugo"_s,  u""_s};
    static const QStringList colors{u"93C5FD"_s, u"7F1D1D"_s, u"0F766E"_s, u"111827"_s, u""_s, u"FDE68A"_s};
    QList<DevProject> projects;
    for (int i = 0; i < kProjects; ++i) {
        DevProject project;
        project.id = QUuid::createUuid();
        project.name = u"Project %1 %2"_s.arg(i, 3, 10, QChar(u'0')).arg(stacks[i % stacks.size()]);
        project.client = clients[i % clients.size()];
        project.clientColorHex = colors[i % colors.size()];
        project.stack = stacks[i % stacks.size()];
        project.folderPath = root + u"/p%1"_s.arg(i);
        project.localhostURL = i % 3 == 0 ? u"localhost:%1"_s.arg(3000 + i) : QString();
        project.services = {
            ProjectService{QUuid::createUuid(), u"web"_s, u"npm run dev"_s, project.localhostURL}};
        project.editorCommand = u"code ."_s;
        project.workspaceLinks = {ProjectLink{
            QUuid::createUuid(), WorkspaceLinkKind::github, {}, u"https://example.org/p%1"_s.arg(i), false}};
        project.isPinned = i % 40 == 0;
        project.isArchived = i % 25 == 24;
        if (i % 2 == 0)
            project.lastUsedAt = Timestamp::fromSecondsSinceReference(800'000'000.0 - i * 60.0);
        projects.append(project);
        if (i % 50 == 49)
            continue;
        QDir().mkpath(project.folderPath);
        if (i % 7 == 0)
            for (const QString &name : {u".env"_s, u".env.local"_s})
                QFile(project.folderPath + u'/' + name).open(QIODevice::WriteOnly);
        if (i % kRepositoryEvery == 0) {
            run(u"git"_s, {u"init"_s, u"-q"_s, u"-b"_s, u"main"_s, project.folderPath});
            if (i % (2 * kRepositoryEvery) == 0)
                QFile(project.folderPath + u"/dirty.txt"_s).open(QIODevice::WriteOnly);
        }
    }
    return projects;
}

void benchPanel(const QList<DevProject> &catalogue)
{
    BenchStore store;
    QuietDesktop desktop;
    ProjectCommandService commands(desktop, desktop, desktop);
    DevnookNavigation navigation;

    QElapsedTimer timer;
    timer.start();
    store.list = catalogue;
    QWidget window;
    auto *panel = new DevnookPopoverView({store, commands, desktop, desktop, desktop, desktop, desktop},
                                         navigation, &window);
    window.resize(420, 900);
    panel->resize(window.size());
    window.show();
    window.repaint();
    QCoreApplication::processEvents();
    figure("panel_build_500_ms", milliseconds(timer), "ms");

    auto *search = panel->findChild<QLineEdit *>(u"searchField"_s);
    double worstKey = 0;
    const QString query = u"projec"_s;
    for (qsizetype length = 1; length <= query.size(); ++length) {
        timer.restart();
        search->setText(query.left(length));
        panel->listView().viewport()->repaint();
        worstKey = std::max(worstKey, milliseconds(timer));
    }
    figure("panel_keystroke_ms", worstKey, "ms");
    search->clear();

    double worstState = 0;
    for (int i = 0; i < 100; ++i) {
        // Eight projects on screen, each flipping between starting and running.
        const DevProject &project = store.list[i % 8];
        timer.restart();
        store.setState(project.id, (i / 8) % 2 ? DevProcessState::running : DevProcessState::starting);
        // Paints what the change marked dirty: that row.
        QCoreApplication::processEvents();
        worstState = std::max(worstState, milliseconds(timer));
    }
    figure("panel_state_change_ms", worstState, "ms");
}

double cpuMilliseconds()
{
    double total = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 + usage.ru_stime.tv_sec * 1e3 +
                 usage.ru_stime.tv_usec / 1e3;
    }
    return total;
}

// What one refresh of every project's git and .env state costs, read the way
// the store reads it: every folder at once on the background pool.
QCoro::Task<> refreshAll(QList<DevProject> projects)
{
    std::vector<QCoro::Task<std::optional<ProjectGitStatus>>> git;
    std::vector<QCoro::Task<std::optional<ProjectEnvDetail>>> env;
    for (const DevProject &project : std::as_const(projects)) {
        git.push_back(GitStatusService::status(project));
        env.push_back(EnvProfileService::detail(project));
    }
    for (auto &task : git)
        co_await task;
    for (auto &task : env)
        co_await task;
}

void benchRefresh(const QList<DevProject> &catalogue)
{
    const double cpuBefore = cpuMilliseconds();
    QElapsedTimer timer;
    timer.start();
    QCoro::waitFor(refreshAll(catalogue));
    figure("panel_refresh_500_wall_ms", milliseconds(timer), "ms");
    figure("panel_refresh_500_cpu_ms", cpuMilliseconds() - cpuBefore, "ms");
}

qint64 residentKilobytes(qint64 pid)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

// What the application showed: milliseconds to the mapped panel and
// megabytes resident 15 s after start.
struct ApplicationFigures {
    double startToPanel = -1;
    double idleResident = -1;
};

// The application started on a private X server without a window manager or
// tray host, so it shows its panel at launch: the time until the panel's
// window is mapped, then its memory 15 s after start with the panel hidden.
ApplicationFigures measureApplication(const QString &application, const QString &home)
{
    ApplicationFigures figures;
    const QString display = u":97"_s;
    QProcess xvfb;
    xvfb.start(u"Xvfb"_s, {display, u"-screen"_s, u"0"_s, u"1440x900x24"_s, u"-nolisten"_s, u"tcp"_s});
    xcb_connection_t *connection = nullptr;
    for (int attempt = 0; attempt < 100; ++attempt) {
        QThread::msleep(50);
        connection = xcb_connect(display.toLatin1().constData(), nullptr);
        if (!xcb_connection_has_error(connection))
            break;
        xcb_disconnect(connection);
        connection = nullptr;
    }
    if (!connection) {
        std::printf("no X server on %s; application figures skipped\n", qPrintable(display));
        return figures;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    QProcess app;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_s, display);
    environment.insert(u"HOME"_s, home);
    environment.insert(u"XDG_DATA_HOME"_s, home + u"/.local/share"_s);
    environment.insert(u"XDG_CONFIG_HOME"_s, home + u"/.config"_s);
    environment.insert(u"XDG_CACHE_HOME"_s, home + u"/.cache"_s);
    environment.insert(u"XDG_RUNTIME_DIR"_s, home + u"/run"_s);
    environment.remove(u"QT_QPA_PLATFORM"_s);
    app.setProcessEnvironment(environment);
    app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer sinceStart;
    sinceStart.start();
    app.start(application, {});
    std::optional<double> mapped;
    while (!mapped && sinceStart.elapsed() < 20000) {
        xcb_generic_event_t *event = xcb_wait_for_event(connection);
        if (!event)
            break;
        if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY) {
            const auto *map = reinterpret_cast<xcb_map_notify_event_t *>(event);
            xcb_get_geometry_reply_t *geometry =
                xcb_get_geometry_reply(connection, xcb_get_geometry(connection, map->window), nullptr);
            if (geometry && geometry->width >= 300)
                mapped = milliseconds(sinceStart);
            std::free(geometry);
        }
        std::free(event);
    }
    figures.startToPanel = mapped.value_or(-1);
    QThread::msleep(3000);
    // Escape hides the panel that has the focus.
    const auto xdotool = [&display](const QStringList &arguments) {
        QProcess process;
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        variables.insert(u"DISPLAY"_s, display);
        process.setProcessEnvironment(variables);
        process.start(u"xdotool"_s, arguments);
        process.waitForFinished(5000);
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    };
    const QStringList search{u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^Devnook$"_s};
    xdotool(search + QStringList{u"windowfocus"_s, u"--sync"_s, u"key"_s, u"Escape"_s});
    QThread::msleep(300);
    if (xdotool(search + QStringList{u"getwindowgeometry"_s}).contains(u"Geometry: 4"_s))
        std::printf("the panel did not hide; its memory is counted shown\n");
    QThread::msleep(static_cast<unsigned long>(std::max<qint64>(0, 15000 - sinceStart.elapsed())));
    figures.idleResident = residentKilobytes(app.processId()) / 1024.0;
    app.terminate();
    app.waitForFinished(5000);
    xcb_disconnect(connection);
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    return figures;
}

// The same application with an empty catalogue is the reference.
void benchApplication(const QString &application, const QString &home, const QList<DevProject> &catalogue)
{
    SystemClock clock;
    JSONProjectPersistence persistence(home + u"/.local/share"_s, clock);
    if (!persistence.saveProjects({}))
        return;
    const ApplicationFigures empty = measureApplication(application, home);
    if (!persistence.saveProjects(catalogue))
        return;
    const ApplicationFigures full = measureApplication(application, home);
    figure("start_to_panel_empty_ms", empty.startToPanel, "ms");
    figure("start_to_panel_500_ms", full.startToPanel, "ms");
    std::printf("ratio start_to_panel_500 / start_to_panel_empty = %.2f\n",
                full.startToPanel / empty.startToPanel);
    figure("idle_rss_empty_mb", empty.idleResident, "MB");
    figure("idle_rss_500_mb", full.idleResident, "MB");
    std::printf("ratio idle_rss_500 / idle_rss_empty = %.2f\n", full.idleResident / empty.idleResident);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir home;
    const QList<DevProject> catalogue = makeCatalogue(home.filePath(u"projects"_s));

    benchPanel(catalogue);
    benchRefresh(catalogue);
    const QString app = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString::fromUtf8(DEVNOOK_APP_PATH);
    benchApplication(app, home.path(), catalogue);
    return 0;
}
