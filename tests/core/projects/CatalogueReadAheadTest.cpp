#include "core/projects/CatalogueReadAhead.h"

#include <QCoreApplication>
#include <QTest>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace devnook;

namespace {

// Written without Qt: the test is about which thread asks Qt for its thread
// data first. Large enough that decoding it is still under way when the
// application object is made.
constexpr int kProjects = 5000;

std::string writeCatalogue()
{
    std::string folder = "/tmp/catalogue-read-ahead-XXXXXX";
    if (!mkdtemp(folder.data()))
        std::abort();
    const std::string path = folder + "/projects.json";
    std::ofstream file(path);
    file << '[';
    for (int i = 0; i < kProjects; ++i)
        file << (i ? "," : "") << R"({"id": "6A1D9F5E-3B0C-4C1E-9A77-)" << 100000000000 + i
             << R"(", "name": "Shop", "folderPath": "/tmp", "localhostURL": "", "devCommand": "",
                "editorCommand": ""})";
    file << ']';
    return path;
}

// What Qt said while the application object was made.
std::vector<std::string> startMessages;

void recordStartMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    startMessages.push_back(message.toStdString());
}

} // namespace

// The application reads its catalogue ahead before it makes its application
// object; Qt must still take the thread that makes it as the main thread.
class CatalogueReadAheadTest : public QObject {
    Q_OBJECT

public:
    CatalogueReadAheadTest(CatalogueReadAhead &ahead, QString path) : m_ahead(ahead), m_path(std::move(path))
    {}

private Q_SLOTS:
    void theThreadThatMadeItStaysTheMainThread()
    {
        // Qt warns when another thread had become its main thread.
        QCOMPARE(startMessages, std::vector<std::string>());
        const auto taken = m_ahead.take(m_path);
        QVERIFY(taken && taken->isOk());
        QCOMPARE(taken->value().projects.size(), kProjects);
    }

private:
    CatalogueReadAhead &m_ahead;
    QString m_path;
};

int main(int argc, char *argv[])
{
    const std::string path = writeCatalogue();
    CatalogueReadAhead ahead(QString::fromStdString(path));
    // The reading thread has opened the file by then.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    qInstallMessageHandler(recordStartMessage);
    QCoreApplication application(argc, argv);
    qInstallMessageHandler(nullptr);
    CatalogueReadAheadTest test(ahead, QString::fromStdString(path));
    const int failures = QTest::qExec(&test, argc, argv);
    std::remove(path.c_str());
    rmdir(path.substr(0, path.rfind('/')).c_str());
    return failures;
}

#include "CatalogueReadAheadTest.moc"
