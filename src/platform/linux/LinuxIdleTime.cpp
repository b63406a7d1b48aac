#include "LinuxIdleTime.h"

#include "DBusIdleTimeSource.h"
#include "XcbIdleTimeSource.h"
#include "platform/null/NullIdleTimeSource.h"

#include <QDBusConnection>

namespace devnook::LinuxIdleTime {

namespace {

std::unique_ptr<IdleTimeSource> chooseNow(bool x11Session)
{
    if (x11Session) {
        if (auto x11 = XcbIdleTimeSource::connect())
            return x11;
    }
    const QDBusConnection sessionBus = QDBusConnection::sessionBus();
    if (const auto service = DBusIdleTimeSource::find(sessionBus))
        return std::make_unique<DBusIdleTimeSource>(*service, sessionBus);
    return std::make_unique<NullIdleTimeSource>();
}

// Usage tracking first asks well after launch; the X connection or the bus
// round trips of the choice need not hold up the panel.
class ChosenOnFirstUse final : public IdleTimeSource {
public:
    explicit ChosenOnFirstUse(bool x11Session) : m_x11Session(x11Session) {}

    QCoro::Task<double> secondsSinceLastInput() override
    {
        if (!m_chosen)
            m_chosen = chooseNow(m_x11Session);
        co_return co_await m_chosen->secondsSinceLastInput();
    }

private:
    bool m_x11Session;
    std::unique_ptr<IdleTimeSource> m_chosen;
};

} // namespace

std::unique_ptr<IdleTimeSource> choose(bool x11Session)
{
    return std::make_unique<ChosenOnFirstUse>(x11Session);
}

} // namespace devnook::LinuxIdleTime
