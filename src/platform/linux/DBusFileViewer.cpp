#include "DBusFileViewer.h"

#include "BusSignal.h"
#include "core/environment/UrlOpener.h"

#include <QCoroSignal>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace devnook {

DBusFileViewer::DBusFileViewer(UrlOpener &fallback, QString connectionName)
    : m_fallback(fallback), m_connectionName(std::move(connectionName))
{}

QCoro::Task<Result<void>> DBusFileViewer::reveal(QString path)
{
    const QUrl item = QUrl::fromLocalFile(path);
    const QDBusConnection bus = connectionNamed(m_connectionName);
    if (bus.isConnected()) {
        QDBusMessage showItems = QDBusMessage::createMethodCall(
            u"org.freedesktop.FileManager1"_s, u"/org/freedesktop/FileManager1"_s,
            u"org.freedesktop.FileManager1"_s, u"ShowItems"_s);
        // No startup id: the file manager raises its window as it would for
        // a launcher.
        showItems << QStringList{item.toString(QUrl::FullyEncoded)} << QString();
        // Asynchronous: the bus may first have to start the file manager.
        QDBusPendingCallWatcher shown(bus.asyncCall(showItems));
        co_await qCoro(&shown, &QDBusPendingCallWatcher::finished);
        if (!shown.isError())
            co_return Result<void>::success();
    }
    co_return m_fallback.open(item);
}

} // namespace devnook
