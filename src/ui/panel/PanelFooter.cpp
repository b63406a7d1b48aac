#include "PanelFooter.h"

#include "core/foundation/L10n.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"
#include "ui/kit/Tooltip.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kSymbolSize = 13;
constexpr int kSpinMs = 800;

QToolButton *makeButton(const QString &name, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    Kit::setRole(button, Kit::Role::kPlainButton);
    button->setCursor(Qt::PointingHandCursor);
    button->setIconSize(QSize(kSymbolSize, kSymbolSize));
    return button;
}

QPixmap rotated(const QPixmap &source, qreal degrees)
{
    QPixmap result(source.size());
    result.setDevicePixelRatio(source.devicePixelRatio());
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSizeF size = QSizeF(source.size()) / source.devicePixelRatio();
    painter.translate(size.width() / 2, size.height() / 2);
    painter.rotate(degrees);
    painter.drawPixmap(QPointF(-size.width() / 2, -size.height() / 2), source);
    return result;
}

} // namespace

PanelFooter::PanelFooter(QWidget *parent) : QWidget(parent)
{
    setObjectName(u"panelFooter"_s);
    m_refresh = makeButton(u"refreshButton"_s, this);
    Tooltip::attach(m_refresh, L10n::text(u"refresh_status_tooltip"_s), TooltipPlacement::top);
    connect(m_refresh, &QToolButton::clicked, this, &PanelFooter::refreshRequested);
    m_usage = makeButton(u"usageOverviewButton"_s, this);
    Tooltip::attach(m_usage, L10n::text(u"usage_overview_tooltip"_s), TooltipPlacement::top);
    connect(m_usage, &QToolButton::clicked, this, &PanelFooter::usageOverviewRequested);
    m_gear = makeButton(u"gearMenuButton"_s, this);
    m_gear->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(m_gear);
    menu->setObjectName(u"gearMenu"_s);
    m_gear->setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        menu->clear();
        const QColor color = Palette::of(menu->palette()).label;
        const auto add = [&](const QString &key, const QString &symbol, void (PanelFooter::*signal)()) {
            QAction *action = menu->addAction(Icons::icon(symbol, color), L10n::text(key));
            action->setObjectName(key);
            connect(action, &QAction::triggered, this, signal);
        };
        add(u"settings_title"_s, u"gearshape"_s, &PanelFooter::settingsRequested);
        add(u"help"_s, u"questionmark.circle"_s, &PanelFooter::helpRequested);
        menu->addSeparator();
        add(u"quit_devnook"_s, u"power"_s, &PanelFooter::quitRequested);
    });

    m_spin.setStartValue(0.0);
    m_spin.setEndValue(360.0);
    m_spin.setDuration(kSpinMs);
    m_spin.setLoopCount(-1);
    connect(&m_spin, &QVariantAnimation::valueChanged, this, [this](const QVariant &angle) {
        const QPixmap arrow = Icons::pixmap(u"arrow.clockwise"_s, Palette::of(palette()).secondaryLabel,
                                            kSymbolSize, devicePixelRatioF());
        m_refresh->setIcon(QIcon(rotated(arrow, angle.toReal())));
    });

    // The row is a widget's own layout, so it takes the style's default
    // spacing; nested in the column it would take the column's none.
    auto *bar = new QWidget(this);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(18, 12, 18, 12);
    row->addWidget(m_refresh);
    row->addStretch();
    row->addWidget(m_usage);
    row->addWidget(m_gear);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(Kit::makeDivider(this));
    column->addWidget(bar);
    updateSymbols();
    updateRefreshButton();
}

void PanelFooter::setRefreshing(bool refreshing)
{
    m_isRefreshing = refreshing;
    if (refreshing) {
        m_spin.start();
    } else {
        m_spin.stop();
        updateSymbols();
    }
    updateRefreshButton();
}

void PanelFooter::setHasProjects(bool hasProjects)
{
    m_hasProjects = hasProjects;
    updateRefreshButton();
}

void PanelFooter::updateRefreshButton()
{
    m_refresh->setEnabled(m_hasProjects && !m_isRefreshing);
}

void PanelFooter::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        updateSymbols();
    QWidget::changeEvent(event);
}

void PanelFooter::updateSymbols()
{
    const QColor color = Palette::of(palette()).secondaryLabel;
    m_refresh->setIcon(Icons::icon(u"arrow.clockwise"_s, color, kSymbolSize));
    m_usage->setIcon(Icons::icon(u"chart.bar"_s, color, kSymbolSize));
    m_gear->setIcon(Icons::icon(u"gearshape"_s, color, kSymbolSize));
}

} // namespace devnook
