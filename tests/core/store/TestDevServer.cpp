// A dev-server-like child for the store's tests. It starts listening on
// 127.0.0.1 after --announce-after milliseconds (on --port, or on a free port
// for 0), then prints the address the way bundlers do and answers every HTTP
// request with 200. --exit-after makes it fail with --exit-code instead, and
// --term-delay keeps it serving for that long after the terminate signal, as
// a server that shuts down slowly.
#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

std::atomic<bool> g_terminateRequested = false;

void onTerminate(int)
{
    g_terminateRequested = true;
}

int option(const QStringList &arguments, const QString &name, int fallback)
{
    const qsizetype index = arguments.indexOf(name);
    return index >= 0 && index + 1 < arguments.size() ? arguments[index + 1].toInt() : fallback;
}

void answer(QTcpSocket *socket)
{
    const bool head = socket->peek(4) == "HEAD";
    socket->readAll();
    socket->write(
        "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 2\r\nConnection: close\r\n\r\n");
    if (!head)
        socket->write("ok");
    socket->disconnectFromHost();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const int port = option(arguments, u"--port"_s, 0);
    const int announceAfter = option(arguments, u"--announce-after"_s, 0);
    const int exitAfter = option(arguments, u"--exit-after"_s, -1);
    const int exitCode = option(arguments, u"--exit-code"_s, 1);
    const int termDelay = option(arguments, u"--term-delay"_s, -1);

    if (exitAfter >= 0)
        QTimer::singleShot(exitAfter, &application, [exitCode] { QCoreApplication::exit(exitCode); });

    QTimer terminateWatch;
    if (termDelay >= 0) {
        std::signal(SIGTERM, onTerminate);
        QObject::connect(&terminateWatch, &QTimer::timeout, &application, [&terminateWatch, termDelay] {
            if (!g_terminateRequested)
                return;
            terminateWatch.stop();
            QTimer::singleShot(termDelay, qApp, [] { QCoreApplication::exit(0); });
        });
        terminateWatch.start(20);
    }

    QTcpServer server;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&server] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] { answer(socket); });
        }
    });
    QTimer::singleShot(announceAfter, &server, [&server, port] {
        if (!server.listen(QHostAddress::LocalHost, static_cast<quint16>(port))) {
            std::fprintf(stderr, "could not listen on %d\n", port);
            QCoreApplication::exit(2);
            return;
        }
        std::printf("  ready in 12 ms\n\n  Local:   http://localhost:%d/\n", server.serverPort());
        std::fflush(stdout);
    });
    return application.exec();
}
