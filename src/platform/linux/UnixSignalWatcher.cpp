#include "UnixSignalWatcher.h"

#include <QScopeGuard>
#include <QSocketNotifier>
#include <csignal>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

namespace devnook {

namespace {

int g_signalSockets[2] = {-1, -1};

void forwardSignal(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_signalSockets[0], &byte, 1);
}

sigset_t setOf(const QList<int> &signalNumbers)
{
    sigset_t set;
    sigemptyset(&set);
    for (int signalNumber : signalNumbers)
        sigaddset(&set, signalNumber);
    return set;
}

} // namespace

void UnixSignalWatcher::deferUntilWatched(const QList<int> &signalNumbers)
{
    const sigset_t set = setOf(signalNumbers);
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

UnixSignalWatcher::UnixSignalWatcher(const QList<int> &signalNumbers, QObject *parent)
    : QObject(parent), m_signals(signalNumbers)
{
    const sigset_t set = setOf(m_signals);
    // Without the socket pair the signals keep their default action.
    const auto release = qScopeGuard([&set] { ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr); });
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalSockets) != 0)
        return;
    m_notifier = new QSocketNotifier(g_signalSockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignalWatcher::readSignal);
    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : m_signals)
        ::sigaction(signalNumber, &action, nullptr);
}

UnixSignalWatcher::~UnixSignalWatcher()
{
    for (int signalNumber : m_signals)
        ::signal(signalNumber, SIG_DFL);
    if (g_signalSockets[0] >= 0) {
        ::close(g_signalSockets[0]);
        ::close(g_signalSockets[1]);
        g_signalSockets[0] = g_signalSockets[1] = -1;
    }
}

void UnixSignalWatcher::readSignal()
{
    unsigned char byte = 0;
    if (::read(g_signalSockets[1], &byte, 1) == 1)
        Q_EMIT received(byte);
}

} // namespace devnook
