// A dev-server-like child for the store's tests. It starts listening on
// 127.0.0.1 after --announce-after milliseconds (on --port, or on a free port
// for 0), then prints the address the way bundlers do and answers every HTTP
// request with 200. --exit-after makes it fail with code 3 instead, and
// --until-input-ends makes it quit with code 0 once its standard input ends,
// as some bundlers' serve modes do.
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const auto option = [&arguments](const QString &name, int fallback) {
        const qsizetype index = arguments.indexOf(name);
        return index >= 0 && index + 1 < arguments.size() ? arguments[index + 1].toInt() : fallback;
    };
    if (const int exitAfter = option(u"--exit-after"_s, -1); exitAfter >= 0)
        QTimer::singleShot(exitAfter, &application, [] { QCoreApplication::exit(3); });

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    input.setEnabled(arguments.contains(u"--until-input-ends"_s));
    QObject::connect(&input, &QSocketNotifier::activated, &application, [] {
        if (char byte = 0; read(STDIN_FILENO, &byte, 1) <= 0)
            QCoreApplication::exit(0);
    });

    QTcpServer server;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&server] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                const bool head = socket->readAll().startsWith("HEAD");
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\n");
                socket->write(head ? "" : "ok");
                socket->disconnectFromHost();
            });
        }
    });
    const quint16 port = static_cast<quint16>(option(u"--port"_s, 0));
    QTimer::singleShot(option(u"--announce-after"_s, 0), &server, [&server, port] {
        if (!server.listen(QHostAddress::LocalHost, port)) {
            QCoreApplication::exit(2);
            return;
        }
        std::printf("  ready in 12 ms\n\n  Local:   http://localhost:%d/\n", server.serverPort());
        std::fflush(stdout);
    });
    return application.exec();
}
