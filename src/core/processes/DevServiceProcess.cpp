#include "DevServiceProcess.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace devnook {

namespace {

// Enough for a burst of output, small enough that one read never keeps the
// event loop long.
constexpr qsizetype kReadLimitPerWakeup = 256 * 1024;
// What is still in a pipe when the process ends; a grandchild that keeps
// writing cannot hold the exit handling back beyond this.
constexpr qsizetype kReadLimitAtExit = 1024 * 1024;

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A list of C strings that lives as long as the object.
class CStringList {
public:
    explicit CStringList(const QStringList &strings)
    {
        m_storage.reserve(strings.size());
        for (const QString &string : strings)
            m_storage.push_back(string.toLocal8Bit());
        for (QByteArray &bytes : m_storage)
            m_pointers.push_back(bytes.data());
        m_pointers.push_back(nullptr);
    }
    char *const *data() { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_storage;
    std::vector<char *> m_pointers;
};

struct Pipe {
    std::array<int, 2> fds{-1, -1};
    ~Pipe()
    {
        for (int fd : fds) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    int takeReadEnd() { return std::exchange(fds[0], -1); }
    int takeWriteEnd() { return std::exchange(fds[1], -1); }
};

class SpawnSetup {
public:
    SpawnSetup()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup &) = delete;
    SpawnSetup &operator=(const SpawnSetup &) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

} // namespace

Result<std::unique_ptr<DevServiceProcess>> DevServiceProcess::start(const Launch &launch)
{
    using ResultType = Result<std::unique_ptr<DevServiceProcess>>;
    Pipe input;
    Pipe output;
    Pipe error;
    if (pipe2(input.fds.data(), O_CLOEXEC) != 0 || pipe2(output.fds.data(), O_CLOEXEC) != 0 ||
        pipe2(error.fds.data(), O_CLOEXEC) != 0)
        return ResultType::failure(errorText(errno));

    SpawnSetup setup;
    const QByteArray workingDirectory = launch.workingDirectory.toLocal8Bit();
    posix_spawn_file_actions_adddup2(&setup.actions, input.fds[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, output.fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, error.fds[1], STDERR_FILENO);
    posix_spawn_file_actions_addchdir_np(&setup.actions, workingDirectory.constData());
    // A dev server must not inherit our sockets and files and keep them open.
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, STDERR_FILENO + 1);

    sigset_t noSignals;
    sigemptyset(&noSignals);
    // A dev server gets every signal with its usual meaning, also those that
    // the desktop session started us with ignored.
    sigset_t defaults;
    sigfillset(&defaults);
    posix_spawnattr_setsigmask(&setup.attributes, &noSignals);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    posix_spawnattr_setflags(&setup.attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    CStringList arguments(QStringList{launch.program} + launch.arguments);
    CStringList environment(launch.environment);
    const QByteArray program = launch.program.toLocal8Bit();
    pid_t pid = 0;
    const int spawnError = posix_spawn(&pid, program.constData(), &setup.actions, &setup.attributes,
                                       arguments.data(), environment.data());
    if (spawnError != 0)
        return ResultType::failure(errorText(spawnError));

    const int processFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (processFd < 0) {
        // Without a way to learn of its end the process could never be
        // handled; it must not run on unseen.
        const int openError = errno;
        ::kill(-pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return ResultType::failure(errorText(openError));
    }
    const int outputFd = output.takeReadEnd();
    const int errorFd = error.takeReadEnd();
    for (int fd : {outputFd, errorFd})
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return ResultType::success(std::unique_ptr<DevServiceProcess>(
        new DevServiceProcess(pid, processFd, input.takeWriteEnd(), outputFd, errorFd)));
}

DevServiceProcess::DevServiceProcess(pid_t pid, int processFd, int inputFd, int outputFd, int errorFd)
    : m_pid(pid), m_processFd(processFd), m_inputFd(inputFd)
{
    m_processNotifier = new QSocketNotifier(processFd, QSocketNotifier::Read, this);
    connect(m_processNotifier, &QSocketNotifier::activated, this,
            &DevServiceProcess::handleProcessFdReadable);

    m_error.isError = true;
    for (auto [channel, fd] : {std::pair{&m_output, outputFd}, std::pair{&m_error, errorFd}}) {
        channel->fd = fd;
        channel->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(channel->notifier, &QSocketNotifier::activated, this,
                [this, channel] { readChannel(*channel, kReadLimitPerWakeup); });
        channel->pendingLineTimer.setSingleShot(true);
        channel->pendingLineTimer.setInterval(kPendingLineFlushMs);
        connect(&channel->pendingLineTimer, &QTimer::timeout, this,
                [this, channel] { flushPendingLine(*channel); });
    }
}

DevServiceProcess::~DevServiceProcess()
{
    closeInput();
    closeChannel(m_output);
    closeChannel(m_error);
    if (m_processFd >= 0)
        ::close(m_processFd);
}

bool DevServiceProcess::isRunning() const
{
    if (m_hasExited)
        return false;
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return false;
    return info.si_pid == 0;
}

void DevServiceProcess::signalGroup(int signal) const
{
    ::kill(-m_pid, signal);
}

void DevServiceProcess::closeInput()
{
    if (m_inputFd >= 0)
        ::close(std::exchange(m_inputFd, -1));
}

void DevServiceProcess::readChannel(Channel &channel, qsizetype limit)
{
    QByteArray bytes;
    bool reachedEnd = false;
    while (channel.fd >= 0 && bytes.size() < limit) {
        char buffer[64 * 1024];
        const ssize_t count = ::read(channel.fd, buffer, sizeof buffer);
        if (count > 0) {
            bytes.append(buffer, count);
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            reachedEnd = count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
            break;
        }
    }
    bool completedLines = false;
    if (!bytes.isEmpty()) {
        const QString lines = channel.buffer.append(bytes);
        completedLines = !lines.isEmpty();
        if (completedLines)
            Q_EMIT linesRead(lines, channel.isError);
    }
    if (reachedEnd)
        closeChannel(channel);
    // The wait belongs to the line now pending: a line break starts it anew,
    // while more of the same line does not, so a writer that never ends its
    // line is still shown every so often.
    if (!channel.buffer.hasPendingLine())
        channel.pendingLineTimer.stop();
    else if (completedLines || !channel.pendingLineTimer.isActive())
        channel.pendingLineTimer.start();
}

void DevServiceProcess::flushPendingLine(Channel &channel)
{
    const QString line = channel.buffer.takePendingLine();
    if (!line.isEmpty())
        Q_EMIT linesRead(line, channel.isError);
}

void DevServiceProcess::handleProcessFdReadable()
{
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG) != 0 || info.si_pid == 0)
        return;
    m_hasExited = true;
    m_processNotifier->setEnabled(false);
    closeInput();

    // A grandchild may still hold the pipes open, so take what is there now
    // instead of waiting for their end.
    for (Channel *channel : {&m_output, &m_error}) {
        readChannel(*channel, kReadLimitAtExit);
        channel->pendingLineTimer.stop();
        const QString rest = channel->buffer.takeAll();
        if (!rest.isEmpty())
            Q_EMIT linesRead(rest, channel->isError);
        closeChannel(*channel);
    }
    Q_EMIT exited(info.si_status);
}

void DevServiceProcess::closeChannel(Channel &channel)
{
    if (channel.fd < 0)
        return;
    // The notifier may be the one whose signal is being handled.
    channel.notifier->setEnabled(false);
    channel.notifier->deleteLater();
    channel.notifier = nullptr;
    ::close(channel.fd);
    channel.fd = -1;
}

} // namespace devnook
