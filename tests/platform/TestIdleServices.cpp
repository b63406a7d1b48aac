#include "TestIdleServices.h"

#include <QDBusMessage>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace devnook::test {

BusService::BusService(QObject *object, QString service, QString path)
    : m_object(object), m_service(std::move(service)), m_path(std::move(path)),
      m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_service))
{}

BusService::~BusService()
{
    stop();
    QDBusConnection::disconnectFromBus(m_service);
}

bool BusService::start()
{
    return m_connection.registerObject(m_path, m_object,
                                       QDBusConnection::ExportScriptableSlots |
                                           QDBusConnection::ExportScriptableSignals) &&
           m_connection.registerService(m_service);
}

void BusService::stop()
{
    m_connection.unregisterService(m_service);
    m_connection.unregisterObject(m_path);
}

TestMutterIdleMonitor::TestMutterIdleMonitor()
    : bus(this, u"org.gnome.Mutter.IdleMonitor"_s, u"/org/gnome/Mutter/IdleMonitor/Core"_s)
{}

TestScreenSaver::TestScreenSaver()
    : bus(this, u"org.freedesktop.ScreenSaver"_s, u"/org/freedesktop/ScreenSaver"_s)
{}

TestLogind::TestLogind() : bus(this, u"org.freedesktop.login1"_s, u"/org/freedesktop/login1"_s) {}

TestLogind::~TestLogind()
{
    for (const int fd : std::as_const(m_lockReadEnds))
        ::close(fd);
}

QDBusUnixFileDescriptor TestLogind::Inhibit(const QString &what, const QString &who, const QString &why,
                                            const QString &mode)
{
    inhibitCalls.append({what, who, why, mode});
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return {};
    m_lockReadEnds.append(ends[0]);
    // The reply carries its own copy; ours goes at once.
    QDBusUnixFileDescriptor lock(ends[1]);
    ::close(ends[1]);
    return lock;
}

bool TestLogind::lockHeld(qsizetype call) const
{
    if (call < 0 || call >= m_lockReadEnds.size())
        return false;
    pollfd readEnd{m_lockReadEnds[call], POLLIN, 0};
    return ::poll(&readEnd, 1, 0) == 0;
}

void TestLogind::prepareForSleep(bool start)
{
    QDBusMessage signal = QDBusMessage::createSignal(
        u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s);
    signal << start;
    bus.connection().send(signal);
}

} // namespace devnook::test
