#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcInstance, "devnook.instance")

namespace devnook {

namespace {

const QByteArray kShowRequest = "show\n";
constexpr qint64 kMaxRequestBytes = 64;

} // namespace

SingleInstance::SingleInstance(const QString &socketPath, QObject *parent)
    : QObject(parent), m_socketPath(socketPath)
{}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
    if (m_lockFd >= 0)
        ::close(m_lockFd);
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
    // The lock, not the socket, decides: two launches at once cannot both
    // win, and the kernel lets go of it when its owner ends, however it ends.
    const QByteArray lockPath = QFile::encodeName(m_socketPath + u".lock"_s);
    m_lockFd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd < 0) {
        qCWarning(lcInstance) << "Cannot open the instance lock" << lockPath << ":" << std::strerror(errno);
        return false;
    }
    if (::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0)
        return true;
    ::close(m_lockFd);
    m_lockFd = -1;
    return false;
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
