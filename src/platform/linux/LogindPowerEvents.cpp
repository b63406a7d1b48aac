#include "LogindPowerEvents.h"

#include "BusSignal.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QPointer>
#include <qcorodbuspendingcall.h>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

const QString kService = u"org.freedesktop.login1"_s;
const QString kPath = u"/org/freedesktop/login1"_s;
const QString kInterface = u"org.freedesktop.login1.Manager"_s;

} // namespace

LogindPowerEvents::LogindPowerEvents(QObject *parent)
    : PowerEvents(parent), m_bus(QString())
{}

void LogindPowerEvents::follow(const QDBusConnection &bus)
{
    m_bus = bus;
    if (!m_bus.isConnected())
        return;
    connectBusSignal(m_bus, kService, kPath, kInterface, u"PrepareForSleep"_s, this,
                     SLOT(onPrepareForSleep(bool)));
    takeDelayLock();
}

void LogindPowerEvents::onPrepareForSleep(bool start)
{
    m_sleeping = start;
    if (start) {
        // The handlers run here, before logind is told that it may go on.
        Q_EMIT willSleep();
        m_delayLock = {};
        return;
    }
    takeDelayLock();
    Q_EMIT didWake();
}

QCoro::Task<> LogindPowerEvents::takeDelayLock()
{
    QPointer<LogindPowerEvents> self(this);
    QDBusMessage inhibit = QDBusMessage::createMethodCall(kService, kPath, kInterface, u"Inhibit"_s);
    inhibit << u"sleep"_s << u"Devnook"_s << u"Pause usage tracking before sleep"_s << u"delay"_s;
    const QDBusMessage reply = co_await m_bus.asyncCall(inhibit);
    // A lock granted after sleep began would only hold the machine up.
    if (!self || m_sleeping || reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        co_return;
    m_delayLock = reply.arguments().constFirst().value<QDBusUnixFileDescriptor>();
}

} // namespace devnook
