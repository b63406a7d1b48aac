#include "PanelErrorBand.h"

#include "core/foundation/L10n.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"
#include "ui/kit/Tooltip.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kSymbolSize = 9;

} // namespace

PanelErrorBand::PanelErrorBand(QWidget *parent) : QWidget(parent)
{
    setObjectName(u"storeErrorBand"_s);
    m_line = new QLabel(this);
    m_line->setObjectName(u"storeErrorLine"_s);
    m_line->setFont(Kit::font(11));
    Kit::setTextRole(m_line, Kit::TextRole::kError);
    // Texts quote names and paths as they are; a path must be whole to be
    // found, so the text wraps rather than being cut.
    m_line->setTextFormat(Qt::PlainText);
    m_line->setWordWrap(true);
    m_line->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_line->setCursor(Qt::IBeamCursor);

    m_dismiss = new QToolButton(this);
    m_dismiss->setObjectName(u"dismissErrorButton"_s);
    Kit::setRole(m_dismiss, Kit::Role::kPlainButton);
    m_dismiss->setCursor(Qt::PointingHandCursor);
    m_dismiss->setIconSize(QSize(kSymbolSize, kSymbolSize));
    Tooltip::attach(m_dismiss, L10n::text(u"dismiss_problems"_s), TooltipPlacement::bottom);
    connect(m_dismiss, &QToolButton::clicked, this, &PanelErrorBand::dismissed);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(18, 0, 12, 8);
    row->setSpacing(6);
    row->addWidget(m_line, 1);
    row->addWidget(m_dismiss, 0, Qt::AlignTop);
    updateSymbol();
    hide();
}

void PanelErrorBand::setText(const std::optional<QString> &text)
{
    m_line->setText(text.value_or(QString()));
    setVisible(text.has_value());
}

void PanelErrorBand::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        updateSymbol();
    QWidget::changeEvent(event);
}

void PanelErrorBand::updateSymbol()
{
    m_dismiss->setIcon(Icons::icon(u"xmark"_s, Palette::of(palette()).secondaryLabel, kSymbolSize));
}

} // namespace devnook
