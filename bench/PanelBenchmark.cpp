// The panel with a catalogue of 500 projects that are git repositories:
// building the list, filtering on each keystroke, repainting one changed row,
// the cost of the store's status refresh, then the optimised application's
// start-up and idle memory on a desktop (Xvfb, openbox, tint2) against a bare
// Qt tray app, the two launched alternately.
#include "BenchDesktop.h"
#include "BenchStore.h"
#include "ProcessMemory.h"
#include "UsageBenchData.h"
#include "core/environment/BackgroundReads.h"
#include "core/environment/Clipboard.h"
#include "core/environment/FileViewer.h"
#include "core/environment/ProjectCommandService.h"
#include "core/environment/TerminalLauncher.h"
#include "core/environment/UrlOpener.h"
#include "core/form/ProjectFormSeams.h"
#include "core/foundation/Clock.h"
#include "core/panel/DevnookNavigation.h"
#include "core/projects/JSONProjectPersistence.h"
#include "core/usage/UsageSessionCoding.h"
#include "ui/kit/AlertAsker.h"
#include "ui/panel/DevnookPopoverView.h"
#include "ui/panel/PanelWindows.h"
#include "ui/panel/ProjectListModel.h"
#include "ui/panel/ProjectListView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

constexpr int kProjects = 500;
constexpr int kSessions = 100000;
constexpr int kDefaultRounds = 8;
constexpr std::chrono::milliseconds kIdleAt{15000};
class PanelBenchStore final : public PanelStore {
public:
    QList<DevProject> list;
    QHash<QUuid, ProjectGitStatus> git;
    QHash<QUuid, ProjectEnvProfile> env;
    QHash<QUuid, ProjectFolderFacts> facts;
    QHash<QUuid, DevProcessState> states;

    void setState(const QUuid &id, DevProcessState state)
    {
        states.insert(id, state);
        Q_EMIT projectStateChanged(id);
    }
    const QList<DevProject> &projects() const override { return list; }
    const QHash<QUuid, ProjectGitStatus> &gitStatuses() const override { return git; }
    const QHash<QUuid, ProjectEnvProfile> &envProfiles() const override { return env; }
    const QHash<QUuid, ProjectFolderFacts> &folderFacts() const override { return facts; }
    UsageTrackingState usageTrackingState(const QUuid &) const override { return {}; }
    DevProcessState displayProcessState(const DevProject &project) const override
    {
        return states.value(project.id, DevProcessState::stopped);
    }
    std::optional<QString> lastError() const override { return std::nullopt; }
    void dismissLastError() override {}
    bool isDevicePreviewActive(const QUuid &) const override { return false; }
    std::optional<DevicePreviewHealthSummary> devicePreviewHealth(const QUuid &) const override { return {}; }
    void refreshProjectStatuses() override {}
    void togglePinned(const DevProject &) override {}
    void markUsed(const DevProject &) override {}
    void archive(const DevProject &) override {}
    void restore(const DevProject &) override {}
    void deleteProject(const DevProject &) override {}
    void toggleDevProcess(const DevProject &) override {}
    void startWorkspace(const DevProject &) override {}
    void toggleUsageTrackingPause(const DevProject &) override {}
};

struct QuietDesktop final : UrlOpener,
                            FileViewer,
                            Clipboard,
                            TerminalLauncher,
                            AlertAsker,
                            PanelWindows,
                            ProjectFormCatalogue {
    Result<void> open(const QUrl &) override { return Result<void>::success(); }
    QCoro::Task<Result<void>> reveal(QString) override { co_return Result<void>::success(); }
    void setText(const QString &) override {}
    Result<void> openIn(const QString &) override { return Result<void>::success(); }
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

void copyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    const QDir source(from);
    for (const QFileInfo &entry :
         source.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QString target = to + u'/' + entry.fileName();
        if (entry.isDir())
            copyFolder(entry.filePath(), target);
        else
            QFile::copy(entry.filePath(), target);
    }
}

// 500 projects, each a git repository with one commit: names, clients,
// stacks, links; every third with an untracked file, every seventh with .env
// files, every fifth with an index.html.
QList<DevProject> makeCatalogue(const QString &root)
{
    static const QStringList clients{u"Acme"_s, u"Tinto"_s, u"Marea"_s, u"Bravo"_s, u""_s, u"Solo"_s};
    static const QStringList stacks{u"Nuxt"_s, u"Astro"_s, u"Laravel"_s, u"Next"_s,
                                    u"Vue"_s,  u"Hugo"_s,  u""_s};
    static const QStringList colors{u"93C5FD"_s, u"7F1D1D"_s, u"0F766E"_s, u"111827"_s, u""_s, u"FDE68A"_s};
    const QString repository = root + u"/template"_s;
    QDir().mkpath(repository);
    QFile readme(repository + u"/README.md"_s);
    if (readme.open(QIODevice::WriteOnly))
        readme.write("# Project\n");
    readme.close();
    run(u"git"_s, {u"init"_s, u"-q"_s, u"-b"_s, u"main"_s}, repository);
    run(u"git"_s, {u"add"_s, u"README.md"_s}, repository);
    run(u"git"_s,
        {u"-c"_s, u"user.name=Bench"_s, u"-c"_s, u"user.email=bench@devnook.invalid"_s, u"commit"_s, u"-qm"_s,
         u"First"_s},
        repository);
    QDir(repository + u"/.git/hooks"_s).removeRecursively();
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
        copyFolder(repository, project.folderPath);
        QStringList files;
        if (i % 3 == 0)
            files.append(u"notes.txt"_s);
        if (i % 7 == 0)
            files += QStringList{u".env"_s, u".env.local"_s};
        if (i % 5 == 0)
            files.append(u"index.html"_s);
        for (const QString &name : std::as_const(files))
            QFile(project.folderPath + u'/' + name).open(QIODevice::WriteOnly);
    }
    return projects;
}

void benchPanel(const QList<DevProject> &catalogue)
{
    PanelBenchStore store;
    QuietDesktop desktop;
    ProjectCommandService commands(desktop, desktop, desktop);
    DevnookNavigation navigation;

    QElapsedTimer timer;
    timer.start();
    store.list = catalogue;
    QWidget window;
    auto *panel = new DevnookPopoverView({store, commands, desktop, desktop, desktop, desktop, desktop, desktop},
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

// CPU time, user and system, of this process's threads or of its ended
// children.
double cpuMilliseconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 + usage.ru_stime.tv_sec * 1e3 +
           usage.ru_stime.tv_usec / 1e3;
}

// One status refresh of every project through the real store, from the
// request until git, .env and folder states are all published; CPU time of
// every thread and of the git processes.
void benchRefresh(const QString &dataHome, const QList<DevProject> &catalogue)
{
    bench::BenchStore parts(dataHome);
    if (!parts.persistence.saveProjects(catalogue))
        return;
    bench::BenchStore rig(dataHome);
    ProjectStore &store = rig.store;
    int published = 0;
    QEventLoop loop;
    for (const auto signal : {&ProjectStore::gitStatusesChanged, &ProjectStore::envProfilesChanged,
                              &ProjectStore::folderFactsChanged})
        QObject::connect(&store, signal, &loop, [&published, &loop] {
            if (++published == 3)
                loop.quit();
        });
    const double selfBefore = cpuMilliseconds(RUSAGE_SELF);
    const double childrenBefore = cpuMilliseconds(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    store.refreshProjectStatuses();
    loop.exec();
    figure("panel_refresh_500_wall_ms", milliseconds(timer), "ms");
    const double self = cpuMilliseconds(RUSAGE_SELF) - selfBefore;
    const double children = cpuMilliseconds(RUSAGE_CHILDREN) - childrenBefore;
    figure("panel_refresh_500_cpu_ms", self + children, "ms");
    std::printf("of which the application's threads %.0f ms, the git processes %.0f ms\n", self, children);
    std::printf("git states %lld, .env profiles %lld, folders %lld\n",
                static_cast<long long>(store.gitStatuses().size()),
                static_cast<long long>(store.envProfiles().size()),
                static_cast<long long>(store.folderFacts().size()));
    // The store hands the reads' free memory back itself; what is left is
    // what it missed.
    backgroundReadPool().waitForDone();
    const qint64 dirtyBefore = bench::privateDirtyKilobytes(QCoreApplication::applicationPid());
    malloc_trim(0);
    std::printf("malloc_trim after the store's own: %lld kB of private dirty memory more returned\n",
                static_cast<long long>(dirtyBefore -
                                       bench::privateDirtyKilobytes(QCoreApplication::applicationPid())));
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

QString loadAverage()
{
    QFile file(u"/proc/loadavg"_s);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().trimmed()) : QString();
}

// One application set-up the runs launch again and again.
struct Subject {
    const char *name;
    QString program;
    QString home;
    QString panelTitle;
    QList<double> starts;
    QList<double> privateDirty;

    void print() const
    {
        const auto [fastest, slowest] = std::minmax_element(starts.begin(), starts.end());
        const auto [least, most] = std::minmax_element(privateDirty.begin(), privateDirty.end());
        std::printf("%-15s start to panel %6.1f ms median (%.1f to %.1f), private dirty %6.0f kB median "
                    "(%.0f to %.0f), %lld runs\n",
                    name, median(starts), *fastest, *slowest, median(privateDirty), *least, *most,
                    static_cast<long long>(starts.size()));
    }
};

QString makeHome(const QString &root, const char *name, const QList<DevProject> &catalogue, int sessions)
{
    const QString home = root + u"/home-"_s + QString::fromLatin1(name);
    const QString dataHome = home + u"/.local/share"_s;
    SystemClock clock;
    if (!JSONProjectPersistence(dataHome, clock).saveProjects(catalogue))
        qFatal("the catalogue could not be written");
    if (sessions > 0) {
        QFile file(dataHome + u"/Devnook/usage_sessions.json"_s);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(
                UsageSessionCoding::encodeSessions(bench::makeUsageSessions(catalogue, sessions)).value()) <
                0)
            qFatal("the session file could not be written");
    }
    return home;
}

// The launch's git processes, as git itself records them.
int countLaunchGitProcesses(bench::BenchDesktop &desktop, const Subject &subject, const QString &root)
{
    const QString trace = root + u"/git-trace.txt"_s;
    QProcessEnvironment extra;
    extra.insert(u"GIT_TRACE2"_s, trace);
    desktop.launch(subject.program, subject.home, subject.panelTitle, kIdleAt, extra);
    QFile file(trace);
    return file.open(QIODevice::ReadOnly) ? static_cast<int>(file.readAll().count(" start /usr/bin/git "))
                                          : -1;
}

// Each round launches the bare app, then Devnook with an empty catalogue,
// with the 500 repositories, and with them and 100,000 usage sessions.
void benchApplication(const QString &devnook, const QString &bare, const QString &root,
                      const QList<DevProject> &catalogue, int rounds)
{
    bench::BenchDesktop desktop;
    if (!desktop.isUp()) {
        std::printf("no desktop (Xvfb, openbox, tint2); application figures skipped\n");
        return;
    }
    QList<Subject> subjects{
        {"bare", bare, makeHome(root, "bare", {}, 0), u"Bare"_s, {}, {}},
        {"empty", devnook, makeHome(root, "empty", {}, 0), u"Devnook"_s, {}, {}},
        {"500", devnook, makeHome(root, "500", catalogue, 0), u"Devnook"_s, {}, {}},
        {"500_100k", devnook, makeHome(root, "500-100k", catalogue, kSessions), u"Devnook"_s, {}, {}},
    };
    std::printf("load average before: %s\n", qPrintable(loadAverage()));
    figure("launch_git_processes_500", countLaunchGitProcesses(desktop, subjects[2], root), "processes");
    for (int round = 0; round < rounds; ++round)
        for (Subject &subject : subjects) {
            // The same start every time: unsent analytics signals pile up run
            // after run when the build names no ingest service.
            QFile::remove(subject.home + u"/.cache/Devnook/telemetrysignalcache"_s);
            const bench::LaunchFigures figures =
                desktop.launch(subject.program, subject.home, subject.panelTitle, kIdleAt);
            if (figures.startToMappedMs > 0)
                subject.starts.append(figures.startToMappedMs);
            if (figures.privateDirtyKb > 0)
                subject.privateDirty.append(figures.privateDirtyKb);
        }
    std::printf("load average after: %s\n", qPrintable(loadAverage()));
    for (const Subject &subject : subjects)
        if (subject.starts.isEmpty() || subject.privateDirty.isEmpty()) {
            std::printf("%s never showed its panel; application figures skipped\n", subject.name);
            return;
        }
    for (const Subject &subject : subjects)
        subject.print();
    const Subject &floor = subjects[0];
    const auto ratio = [](const char *name, const QList<double> &values, const QList<double> &reference) {
        figure(name, median(values) / median(reference), "x");
    };
    ratio("start_vs_bare_empty", subjects[1].starts, floor.starts);
    ratio("start_vs_bare_500", subjects[2].starts, floor.starts);
    ratio("start_vs_bare_500_100k_sessions", subjects[3].starts, floor.starts);
    ratio("private_dirty_vs_bare_empty", subjects[1].privateDirty, floor.privateDirty);
    ratio("private_dirty_vs_bare_500", subjects[2].privateDirty, floor.privateDirty);
    std::printf("private dirty 500 with 100,000 sessions / bare = %.2f\n",
                median(subjects[3].privateDirty) / median(floor.privateDirty));
}

} // namespace

// panel_bench [rounds]: at least 8 rounds of launches by default.
int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    bench::pinTimeZone();
    QApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : kDefaultRounds;
    QTemporaryDir root;
    const QList<DevProject> catalogue = makeCatalogue(root.filePath(u"projects"_s));

    benchPanel(catalogue);
    benchRefresh(root.filePath(u"refresh"_s), catalogue);
    benchApplication(QString::fromUtf8(DEVNOOK_APP_PATH), QString::fromUtf8(BARE_TRAY_APP_PATH), root.path(),
                     catalogue, rounds);
    return 0;
}
