#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace devnook::test {

// An object published under a well-known name on a connection of its own to
// the session bus, so that it is a different bus client from the code under
// test, as a desktop service is.
class BusService {
public:
    BusService(QObject *object, const QString &service, const QString &path)
        : m_object(object), m_service(service), m_path(path),
          m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, service))
    {}
    ~BusService()
    {
        stop();
        QDBusConnection::disconnectFromBus(m_service);
    }
    BusService(const BusService &) = delete;
    BusService &operator=(const BusService &) = delete;

    // Takes the name; false when another owner has it.
    bool start()
    {
        return m_connection.registerObject(m_path, m_object, QDBusConnection::ExportScriptableContents) &&
               m_connection.registerService(m_service);
    }
    // Gives the name back, as a service that quits.
    void stop()
    {
        m_connection.unregisterService(m_service);
        m_connection.unregisterObject(m_path);
    }
    QDBusConnection &connection() { return m_connection; }

private:
    QObject *m_object;
    QString m_service;
    QString m_path;
    QDBusConnection m_connection;
};

} // namespace devnook::test
