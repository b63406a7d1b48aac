#pragma once

#include "ShellDoubles.h"
#include "support/LocalTime.h"
#include "support/StoreDoubles.h"
#include "ui/usage/UsageWindowServices.h"

#include <QDateTime>
#include <QTimeZone>

namespace devnook::test {

// Answers the save dialog with the path the test sets, or cancels.
class ScriptedFileChooser final : public UsageExportFileChooser {
public:
    QCoro::Task<std::optional<QString>> chooseFile(QWidget *, QString proposedName) override
    {
        proposed.append(proposedName);
        co_return path;
    }

    std::optional<QString> path;
    QStringList proposed;
};

// A store whose usage sessions the test records at noon of a fixed UTC day,
// with the alerts and the save dialog answered by the test.
struct UsageWindowRig {
    UsageWindowRig()
    {
        store.clock.set(Timestamp::fromDateTime(QDateTime(kToday, QTime(12, 0), QTimeZone::utc())));
    }

    // Records a finished session of the project that starts at 08:00 UTC the
    // given number of days ago.
    void record(const DevProject &project, int daysAgo, double minutes)
    {
        const Timestamp start =
            Timestamp::fromDateTime(QDateTime(kToday.addDays(-daysAgo), QTime(8, 0), QTimeZone::utc()));
        store.usage.start(project, ProjectUsageSessionSource::playButton, start);
        (void)store.usage.stop(project.id, start.addSeconds(minutes * 60.0));
    }

    UsageWindowServices services()
    {
        return {*store.store, store.usage, store.defaults, store.clock, alerts, files};
    }

    inline static const QDate kToday{2026, 5, 20};
    ScopedTimeZone zone{"UTC"};
    ScriptedStore store;
    ScriptedAlertAsker alerts;
    ScriptedFileChooser files;
};

} // namespace devnook::test
