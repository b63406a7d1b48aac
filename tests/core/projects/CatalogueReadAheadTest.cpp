#include "core/projects/CatalogueReadAhead.h"

#include <QCoreApplication>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace devnook;

namespace {

// What Qt said while the application object was made.
std::vector<std::string> startMessages;

void recordStartMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    startMessages.push_back(message.toStdString());
}

} // namespace

// The application reads its catalogue ahead before it makes its application
// object; Qt must still take the thread that makes it as the main thread, and
// warns when another thread had become it.
class CatalogueReadAheadTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theThreadThatMadeItStaysTheMainThread() { QCOMPARE(startMessages, std::vector<std::string>()); }
};

int main(int argc, char *argv[])
{
    // Written without Qt, and large enough that its decoding is still under
    // way when the application object is made.
    const std::string path = "/tmp/catalogue-read-ahead-" + std::to_string(getpid()) + ".json";
    std::ofstream file(path);
    file << '[';
    for (int i = 0; i < 5000; ++i)
        file << (i ? "," : "") << R"({"id": "6A1D9F5E-3B0C-4C1E-9A77-)" << 100000000000 + i
             << R"(", "name": "Shop", "folderPath": "/tmp", "localhostURL": "", "devCommand": "",
                "editorCommand": ""})";
    file << ']';
    file.close();

    CatalogueReadAhead ahead(QString::fromStdString(path));
    // The reading thread has opened the file by then.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    qInstallMessageHandler(recordStartMessage);
    QCoreApplication application(argc, argv);
    qInstallMessageHandler(nullptr);
    CatalogueReadAheadTest test;
    const int failures = QTest::qExec(&test, argc, argv);
    std::remove(path.c_str());
    return failures;
}

#include "CatalogueReadAheadTest.moc"
