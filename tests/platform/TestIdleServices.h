#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QList>
#include <QObject>
#include <QStringList>

namespace devnook::test {

// An object published under a well-known name on a connection of its own to
// the session bus, so that it is a different bus client from the code under
// test, as a desktop service is.
class BusService {
public:
    BusService(QObject *object, QString service, QString path);
    ~BusService();
    BusService(const BusService &) = delete;
    BusService &operator=(const BusService &) = delete;

    // Takes the name; false when another owner has it.
    bool start();
    // Gives the name back, as a service that quits.
    void stop();
    QDBusConnection &connection() { return m_connection; }

private:
    QObject *m_object;
    QString m_service;
    QString m_path;
    QDBusConnection m_connection;
};

// GNOME's idle monitor, answering with the idle time the test sets.
class TestMutterIdleMonitor final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Mutter.IdleMonitor")

public:
    TestMutterIdleMonitor();
    BusService bus;
    qulonglong idleMilliseconds = 0;

public Q_SLOTS:
    Q_SCRIPTABLE qulonglong GetIdletime() { return idleMilliseconds; }
};

// The freedesktop screen saver, answering in seconds.
class TestScreenSaver final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    TestScreenSaver();
    BusService bus;
    uint idleSeconds = 0;

public Q_SLOTS:
    Q_SCRIPTABLE uint GetSessionIdleTime() { return idleSeconds; }
};

// logind's manager: hands out inhibitor locks as the write ends of pipes and
// announces sleep and wake.
class TestLogind final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    TestLogind();
    ~TestLogind() override;
    BusService bus;

    // The arguments of each Inhibit call.
    QList<QStringList> inhibitCalls;
    // True while some client still holds the lock of that call.
    bool lockHeld(qsizetype call) const;
    void prepareForSleep(bool start);

public Q_SLOTS:
    Q_SCRIPTABLE QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why,
                                                 const QString &mode);

private:
    // The read ends; each sees end-of-file once its lock is let go.
    QList<int> m_lockReadEnds;
};

} // namespace devnook::test
