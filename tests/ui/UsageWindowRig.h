#pragma once

#include "support/LocalTime.h"
#include "support/StoreDoubles.h"
#include "ui/usage/UsageWindowServices.h"

#include <QDateTime>
#include <QImage>
#include <QTimeZone>
#include <QWidget>
#include <algorithm>

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

// Answers each question with the next answer the test set, else with the
// harmless button.
class ScriptedUsageAlerts final : public UsageAlertAsker {
public:
    QCoro::Task<int> ask(QWidget *, AlertRequest request) override
    {
        asked.append(request);
        co_return answers.isEmpty() ? request.harmlessButton : answers.takeFirst();
    }

    QList<int> answers;
    QList<AlertRequest> asked;
};

// The darkest grey of a button's columns from `left` up to `right` pixels
// before its right end, inside its outline.
inline int darkestGrey(QWidget *button, int left, int right)
{
    // Grabbed from the window: a button without a background of its own
    // grabs as transparent black.
    QWidget *window = button->window();
    const QImage image = window->grab(QRect(button->mapTo(window, QPoint(0, 0)), button->size())).toImage();
    const qreal ratio = image.devicePixelRatio();
    int darkest = 255;
    for (int y = 4; y < button->height() - 4; ++y) {
        for (int x = left; x < button->width() - right; ++x)
            darkest = std::min(darkest, qGray(image.pixel(QPoint(x, y) * ratio)));
    }
    return darkest;
}

// The darkest grey of a button's label: its text at full contrast when the
// button is enabled, dimmed when it is drawn disabled. The outline and the
// menu arrow at the right end are left out.
inline int darkestLabelGrey(QWidget *button, int arrowWidth)
{
    return darkestGrey(button, 4, arrowWidth);
}

// The darkest grey of a menu button's arrow, the last `arrowWidth` pixels.
inline int darkestArrowGrey(QWidget *button, int arrowWidth)
{
    return darkestGrey(button, button->width() - arrowWidth, 4);
}

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
    ScriptedUsageAlerts alerts;
    ScriptedFileChooser files;
};

} // namespace devnook::test
