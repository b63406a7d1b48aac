#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QThread>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcInstance, "devnook.instance")

namespace devnook {

namespace {

const QByteArray kShowRequest = "show\n";
constexpr qint64 kMaxRequestBytes = 64;

} // namespace

SingleInstance::SingleInstance(const QString &socketPath, QObject *parent)
    : QObject(parent), m_socketPath(socketPath), m_lock(socketPath + u".lock"_s)
{
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

QString SingleInstance::defaultSocketPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + u"/devnook.socket"_s;
}

bool SingleInstance::becomePrimary()
{
    // The lock, not the socket, decides: a dead owner's lock is taken over,
    // and two launches at once cannot both win.
    return m_lock.tryLock(0);
}

void SingleInstance::listen()
{
    QLocalServer::removeServer(m_socketPath);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath))
        qCWarning(lcInstance) << "Cannot listen for later launches:" << m_server->errorString();
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::serveConnection);
}

bool SingleInstance::askPrimaryToShow(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())))) {
            socket.write(kShowRequest);
            const bool sent =
                socket.waitForBytesWritten(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
            socket.disconnectFromServer();
            return sent;
        }
        // The first launch may still be starting up.
        QThread::msleep(50);
    }
    return false;
}

void SingleInstance::serveConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() > kMaxRequestBytes) {
                socket->abort();
                return;
            }
            if (!socket->canReadLine())
                return;
            if (socket->readLine(kMaxRequestBytes) == kShowRequest)
                Q_EMIT showRequested();
            socket->disconnectFromServer();
        });
    }
}

} // namespace devnook
