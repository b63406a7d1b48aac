// A foreign process for the port tests: listens on a free loopback port,
// prints it on one line and waits to be signalled. With "--ignore-term" it
// ignores the terminate signal, as a stuck server would.
#include <QCoreApplication>
#include <QTcpServer>
#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    if (application.arguments().contains(u"--ignore-term"_s))
        std::signal(SIGTERM, SIG_IGN);
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost))
        return 1;
    std::printf("%d\n", server.serverPort());
    std::fflush(stdout);
    return application.exec();
}
