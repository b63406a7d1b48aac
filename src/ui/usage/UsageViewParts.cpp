#include "UsageViewParts.h"

#include "UsageCards.h"
#include "UsageSimpleBarChart.h"
#include "core/foundation/L10n.h"
#include "ui/kit/Kit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook::UsageViewParts {

QVBoxLayout *contentColumn(QWidget *content)
{
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);
    return column;
}

QLabel *noDataLabel(QWidget *parent)
{
    auto *label = new QLabel(L10n::text(u"usage_no_data"_s), parent);
    label->setObjectName(u"noData"_s);
    label->setFont(Kit::font(13));
    label->setAlignment(Qt::AlignCenter);
    label->setContentsMargins(0, 48, 0, 48);
    Kit::setTextRole(label, Kit::TextRole::kSecondary);
    return label;
}

QLabel *trackingNote(QWidget *parent)
{
    auto *note = new QLabel(L10n::text(u"usage_tracking_note"_s), parent);
    note->setFont(Kit::font(12));
    note->setWordWrap(true);
    Kit::setTextRole(note, Kit::TextRole::kSecondary);
    return note;
}

Statistics statistics(const QString &countTitleKey, QWidget *parent)
{
    Statistics parts;
    parts.area = new QWidget(parent);
    parts.area->setObjectName(u"statistics"_s);
    parts.column = new QVBoxLayout(parts.area);
    parts.column->setContentsMargins(0, 0, 0, 0);
    parts.column->setSpacing(16);
    parts.total = new UsageStatCard(L10n::text(u"usage_total_hours"_s), parts.area);
    parts.count = new UsageStatCard(L10n::text(countTitleKey), parts.area);
    parts.averageDaily = new UsageStatCard(L10n::text(u"usage_average_daily"_s), parts.area);
    auto *cards = new QHBoxLayout;
    cards->setSpacing(12);
    cards->addWidget(parts.total);
    cards->addWidget(parts.count);
    cards->addWidget(parts.averageDaily);
    parts.column->addLayout(cards);
    parts.chart = new UsageSimpleBarChart;
    parts.column->addWidget(
        new UsagePanel(L10n::text(u"usage_duration_by_day"_s), 20, parts.chart, nullptr, parts.area));
    return parts;
}

void addExportMenu(QToolButton *button, QWidget *view, std::function<void(UsageExportFormat)> exportAs)
{
    button->setObjectName(u"export_usage"_s);
    button->setText(L10n::text(u"export_usage"_s));
    button->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(button);
    for (const UsageExportFormat format : UsageExportFormats::all()) {
        const QString key = format == UsageExportFormat::csv ? u"export_usage_csv"_s : u"export_usage_json"_s;
        menu->addAction(L10n::text(key), view, [exportAs, format] { exportAs(format); });
    }
    button->setMenu(menu);
}

QCoro::Task<> exportFile(QWidget *view, UsageWindowServices services, QString proposedName,
                         std::function<Result<void>(const QString &path)> write)
{
    QPointer<QWidget> self(view);
    const std::optional<QString> path = co_await services.files.chooseFile(view->window(), proposedName);
    if (!self || !path)
        co_return;
    const Result<void> written = write(*path);
    if (!written.isOk()) {
        // Built first: GCC 12 rejects a braced list inside a co_await expression.
        const AlertRequest failure{
            L10n::text(u"usage_export_failed_title"_s), written.error(), {L10n::text(u"ok"_s)}, 0, true};
        co_await services.alerts.ask(self->window(), failure);
    }
}

} // namespace devnook::UsageViewParts
