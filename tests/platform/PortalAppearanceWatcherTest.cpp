#include "platform/linux/PortalAppearanceWatcher.h"

#include "BusService.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// The settings portal as a desktop offers it: another client of the test's
// private bus.
class FakeSettingsPortal final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    test::BusService bus{this, u"org.freedesktop.portal.Desktop"_s, u"/org/freedesktop/portal/desktop"_s};
    uint scheme = 0;
    bool doubleWrapped = false;

    void announce(uint value)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            u"/org/freedesktop/portal/desktop"_s, u"org.freedesktop.portal.Settings"_s, u"SettingChanged"_s);
        signal << u"org.freedesktop.appearance"_s << u"color-scheme"_s
               << QVariant::fromValue(QDBusVariant(QVariant::fromValue(value)));
        bus.connection().send(signal);
    }

public Q_SLOTS:
    Q_SCRIPTABLE QDBusVariant Read(const QString &group, const QString &key)
    {
        if (group != u"org.freedesktop.appearance" || key != u"color-scheme")
            return QDBusVariant(QVariant());
        const QVariant value = QVariant::fromValue(scheme);
        return doubleWrapped ? QDBusVariant(QVariant::fromValue(QDBusVariant(value))) : QDBusVariant(value);
    }
};

} // namespace

class PortalAppearanceWatcherTest : public QObject {
    Q_OBJECT

private:
    FakeSettingsPortal m_portal;

    // Watches from a clean start, and returns once the portal answered the
    // first read and the bus has the subscription, so that what is announced
    // afterwards is a change.
    static bool watchAndSettle(PortalAppearanceWatcher &watcher, QList<bool> &reported)
    {
        watcher.watch([&reported](bool dark) { reported.append(dark); });
        const bool answered =
            QTest::qWaitFor([&watcher] { return !watcher.findChild<QDBusPendingCallWatcher *>(); });
        // A blocking round trip: the bus has handled the subscription once
        // it answers.
        QDBusConnection::sessionBus().interface()->isServiceRegistered(u"org.freedesktop.DBus"_s);
        return answered;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("No session bus; run under dbus-run-session");
        QVERIFY(m_portal.bus.start());
    }

    // First, so that nothing in this process has used the bus's variant type
    // before the watcher subscribes, as at the application's start.
    void readsAtStartAndFollowsChanges()
    {
        m_portal.scheme = 1;
        m_portal.doubleWrapped = true;
        PortalAppearanceWatcher watcher(false);
        QList<bool> reported;
        QVERIFY(watchAndSettle(watcher, reported));
        QCOMPARE(reported, QList<bool>{true});

        m_portal.announce(1); // the same value again is no change
        m_portal.announce(2);
        QTRY_COMPARE(reported, (QList<bool>{true, false}));
        m_portal.announce(0); // "no preference" keeps what is known
        m_portal.announce(1);
        QTRY_COMPARE(reported, (QList<bool>{true, false, true}));
    }

    void agreeingPortalReportsNothing()
    {
        m_portal.scheme = 2;
        m_portal.doubleWrapped = false;
        PortalAppearanceWatcher watcher(false);
        QList<bool> reported;
        QVERIFY(watchAndSettle(watcher, reported));
        m_portal.announce(1);
        QTRY_COMPARE(reported, QList<bool>{true});
    }

    // The known values go through the bus above.
    void strangePortalValuesMeanNoPreference()
    {
        QCOMPARE(PortalAppearanceWatcher::prefersDarkFromPortalValue(QVariant(7u)), std::nullopt);
        QCOMPARE(PortalAppearanceWatcher::prefersDarkFromPortalValue(QVariant(u"1"_s)), std::nullopt);
    }
};

QTEST_MAIN(PortalAppearanceWatcherTest)
#include "PortalAppearanceWatcherTest.moc"
