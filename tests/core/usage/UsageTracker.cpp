// A run of the app that is killed while it tracks: starts a session of the
// project with the given id over the data folder, checkpointing at the given
// interval in milliseconds, and tracks until it is killed.
#include "core/foundation/Clock.h"
#include "core/usage/UsageTrackingService.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;
using namespace devnook;

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 4)
        return 2;
    const SystemClock clock;
    UsageTrackingService service(arguments[1], clock, std::chrono::milliseconds(arguments[2].toInt()));
    DevProject project;
    project.id = QUuid::fromString(arguments[3]);
    project.name = u"Killed"_s;
    service.start(project, ProjectUsageSessionSource::playButton, clock.now());
    return application.exec();
}
