// The quit of an app that is still reading 2,000 projects' git state: the
// app is started offscreen over a catalogue of 2,000 projects in one real
// repository and sent SIGTERM one second after start. Measures the time from
// the signal to the exit. Reference: the same quit with an empty catalogue,
// so the ratio shows what the queued and running reads add.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>
#include <algorithm>
#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int kProjects = 2000;
constexpr int kRuns = 3;

bool run(const QString &program, const QStringList &arguments, const QString &folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitCode() == 0;
}

// Milliseconds from SIGTERM to the exit, or a negative number on failure.
double quitMilliseconds(int projectCount)
{
    QTemporaryDir home;
    const QString repository = home.filePath(u"repository"_s);
    if (!run(u"git"_s, {u"init"_s, u"-q"_s, repository}, home.path()) ||
        !run(u"git"_s,
             {u"-c"_s, u"user.name=Bench"_s, u"-c"_s, u"user.email=bench@devnook.invalid"_s, u"commit"_s,
              u"-q"_s, u"--allow-empty"_s, u"-m"_s, u"First"_s},
             repository))
        return -1;
    QJsonArray projects;
    for (int i = 0; i < projectCount; ++i) {
        projects.append(QJsonObject{{u"id"_s, QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()},
                                    {u"name"_s, u"Project %1"_s.arg(i)},
                                    {u"folderPath"_s, repository},
                                    {u"localhostURL"_s, QString()},
                                    {u"devCommand"_s, u"true"_s},
                                    {u"editorCommand"_s, QString()}});
    }
    QDir().mkpath(home.filePath(u"data/Devnook"_s));
    QFile catalogue(home.filePath(u"data/Devnook/projects.json"_s));
    if (!catalogue.open(QIODevice::WriteOnly) || catalogue.write(QJsonDocument(projects).toJson()) < 0)
        return -1;
    catalogue.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.insert(u"HOME"_s, home.path());
    environment.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"config"_s));
    environment.insert(u"XDG_DATA_HOME"_s, home.filePath(u"data"_s));
    environment.insert(u"XDG_CACHE_HOME"_s, home.filePath(u"cache"_s));
    environment.insert(u"XDG_RUNTIME_DIR"_s, home.path());
    QProcess app;
    app.setProcessEnvironment(environment);
    app.setStandardOutputFile(QProcess::nullDevice());
    app.setStandardErrorFile(QProcess::nullDevice());
    app.start(QStringLiteral(DEVNOOK_APP_PATH), {});
    if (!app.waitForStarted(10000))
        return -1;
    QThread::sleep(1);
    QElapsedTimer elapsed;
    elapsed.start();
    ::kill(pid_t(app.processId()), SIGTERM);
    if (!app.waitForFinished(60000) || app.exitStatus() != QProcess::NormalExit)
        return -1;
    return double(elapsed.nsecsElapsed()) / 1e6;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QList<double> loaded;
    QList<double> empty;
    for (int i = 0; i < kRuns; ++i) {
        loaded.append(quitMilliseconds(kProjects));
        empty.append(quitMilliseconds(0));
    }
    if (std::any_of(loaded.begin(), loaded.end(), [](double ms) { return ms < 0; }) ||
        std::any_of(empty.begin(), empty.end(), [](double ms) { return ms < 0; })) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    const double loadedMs = median(loaded);
    const double emptyMs = median(empty);
    std::printf("figure quit_after_sigterm_%d_projects: %.0f ms\n", kProjects, loadedMs);
    std::printf("figure quit_after_sigterm_no_projects: %.0f ms\n", emptyMs);
    std::printf("ratio %d projects / no projects = %.2f\n", kProjects, loadedMs / std::max(emptyMs, 1.0));
    return 0;
}
