#include "platform/linux/PortalAppearanceWatcher.h"

#include "platform/linux/XcbHotKeyGrabber.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// The settings portal as a desktop would offer it, on the test's private bus.
class FakeSettingsPortal final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    explicit FakeSettingsPortal(QObject *parent) : QDBusAbstractAdaptor(parent) {}

    uint scheme = 0;
    bool doubleWrapped = false;

public Q_SLOTS:
    QDBusVariant Read(const QString &group, const QString &key)
    {
        if (group != u"org.freedesktop.appearance" || key != u"color-scheme")
            return QDBusVariant(QVariant());
        const QVariant value = QVariant::fromValue(scheme);
        return doubleWrapped ? QDBusVariant(QVariant::fromValue(QDBusVariant(value))) : QDBusVariant(value);
    }

Q_SIGNALS:
    void SettingChanged(const QString &group, const QString &key, const QDBusVariant &value);
};

} // namespace

class PortalAppearanceWatcherTest : public QObject {
    Q_OBJECT

private:
    QObject m_portalObject;
    FakeSettingsPortal *m_portal = nullptr;

    // A blocking round trip: the bus has handled the watcher's subscription
    // once it answers, so a signal sent afterwards reaches the watcher.
    static void settle()
    {
        QDBusConnection::sessionBus().interface()->isServiceRegistered(u"org.freedesktop.DBus"_s);
    }

    void announce(uint scheme)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            u"/org/freedesktop/portal/desktop"_s, u"org.freedesktop.portal.Settings"_s, u"SettingChanged"_s);
        signal << u"org.freedesktop.appearance"_s << u"color-scheme"_s
               << QVariant::fromValue(QDBusVariant(QVariant::fromValue(scheme)));
        QDBusConnection::sessionBus().send(signal);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            QSKIP("No session bus; run under dbus-run-session");
        m_portal = new FakeSettingsPortal(&m_portalObject);
        QVERIFY(bus.registerObject(u"/org/freedesktop/portal/desktop"_s, &m_portalObject));
        QVERIFY(bus.registerService(u"org.freedesktop.portal.Desktop"_s));
    }

    void portalValues_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("expected"); // -1 none, 0 light, 1 dark
        QTest::newRow("prefers dark") << QVariant(1u) << 1;
        QTest::newRow("prefers light") << QVariant(2u) << 0;
        QTest::newRow("no preference") << QVariant(0u) << -1;
        QTest::newRow("unknown number") << QVariant(7u) << -1;
        QTest::newRow("text") << QVariant(u"1"_s) << -1;
        QTest::newRow("wrapped twice") << QVariant::fromValue(QDBusVariant(QVariant(1u))) << 1;
    }

    void portalValues()
    {
        QFETCH(QVariant, value);
        QFETCH(int, expected);
        const std::optional<bool> dark = PortalAppearanceWatcher::prefersDarkFromPortalValue(value);
        QCOMPARE(dark.has_value() ? int(*dark) : -1, expected);
    }

    void readsAtStartAndFollowsChanges()
    {
        m_portal->scheme = 1;
        m_portal->doubleWrapped = true;
        PortalAppearanceWatcher watcher(false);
        QList<bool> reported;
        watcher.watch([&reported](bool dark) { reported.append(dark); });
        settle();
        QTRY_COMPARE(reported, QList<bool>{true});

        announce(1); // the same value again is no change
        announce(2);
        QTRY_COMPARE(reported, (QList<bool>{true, false}));
        announce(0); // "no preference" keeps what is known
        announce(1);
        QTRY_COMPARE(reported, (QList<bool>{true, false, true}));
    }

    void agreeingPortalReportsNothing()
    {
        m_portal->scheme = 2;
        m_portal->doubleWrapped = false;
        PortalAppearanceWatcher watcher(false);
        QList<bool> reported;
        watcher.watch([&reported](bool dark) { reported.append(dark); });
        settle();
        announce(1);
        QTRY_COMPARE(reported, QList<bool>{true});
    }

    void hotKeyNeedsAnX11Display()
    {
        // The tests run offscreen: no X11 connection, no grab, no crash.
        XcbHotKeyGrabber grabber;
        QVERIFY(!grabber.grab([] {}));
    }
};

QTEST_MAIN(PortalAppearanceWatcherTest)
#include "PortalAppearanceWatcherTest.moc"
