#pragma once

#include "UsageWindowServices.h"
#include "core/foundation/Result.h"
#include "core/usage/UsageRecords.h"

#include <QCoroTask>
#include <QString>
#include <functional>

class QLabel;
class QToolButton;
class QVBoxLayout;
class QWidget;

namespace devnook {

class UsageSimpleBarChart;
class UsageStatCard;

// The pieces that both usage views make the same way.
namespace UsageViewParts {

// The scrolling content's column: 20 from every edge, 16 between its parts.
QVBoxLayout *contentColumn(QWidget *content);

// "usage_no_data", centred with room above and below, for an empty period.
QLabel *noDataLabel(QWidget *parent);

// The wrapped note on how time is tracked, under the figures.
QLabel *trackingNote(QWidget *parent);

// The figures of a period: a row of three headline cards (the total, a
// count titled with the text of the key, the average per active day) over
// the chart of time by day, heading a column to which the view adds its
// other panels.
struct Statistics {
    QWidget *area = nullptr;
    QVBoxLayout *column = nullptr;
    UsageStatCard *total = nullptr;
    UsageStatCard *count = nullptr;
    UsageStatCard *averageDaily = nullptr;
    UsageSimpleBarChart *chart = nullptr;
};
Statistics statistics(const QString &countTitleKey, QWidget *parent);

// Gives the button its menu of export formats, CSV then JSON; choosing one
// calls exportAs with it.
void addExportMenu(QToolButton *button, QWidget *view, std::function<void(UsageExportFormat)> exportAs);

// Asks over the view's window where the export goes, proposing the name,
// then has write put it there; a failure is shown in an alert over the
// window, a cancel or a view gone meanwhile ends it quietly.
QCoro::Task<> exportFile(QWidget *view, UsageWindowServices services, QString proposedName,
                         std::function<Result<void>(const QString &path)> write);

} // namespace UsageViewParts

} // namespace devnook
