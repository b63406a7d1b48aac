#include "EmptyProjectsView.h"

#include "core/foundation/L10n.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

EmptyProjectsView::EmptyProjectsView(QWidget *parent) : QWidget(parent)
{
    setObjectName(u"emptyProjectsView"_s);
    setAttribute(Qt::WA_StyledBackground);
    Kit::setRole(this, Kit::Role::kGrouped);

    m_icon = new QLabel(this);
    m_icon->setAlignment(Qt::AlignCenter);

    auto *title = new QLabel(L10n::text(u"no_projects_yet"_s), this);
    title->setObjectName(u"emptyProjectsTitle"_s);
    title->setFont(Kit::font(22, QFont::DemiBold));
    title->setAlignment(Qt::AlignCenter);

    auto *hint = new QLabel(L10n::text(u"empty_projects_hint"_s), this);
    hint->setObjectName(u"emptyProjectsHint"_s);
    hint->setFont(Kit::font(15));
    Kit::setTextRole(hint, Kit::TextRole::kSecondary);
    hint->setAlignment(Qt::AlignCenter);
    hint->setWordWrap(true);
    hint->setFixedWidth(340);
    // A centred wrapping label gets its single-line height from the layout.
    hint->setMinimumHeight(hint->heightForWidth(340));

    auto *button = new QPushButton(this);
    button->setObjectName(u"emptyProjectsAddButton"_s);
    Kit::setRole(button, Kit::Role::kInvertedButton);
    button->setCursor(Qt::PointingHandCursor);
    m_buttonIcon = new QLabel(button);
    auto *buttonText = new QLabel(L10n::text(u"add_project"_s), button);
    buttonText->setFont(Kit::font(14, QFont::DemiBold));
    Kit::setTextRole(buttonText, Kit::TextRole::kInverted);
    for (QLabel *label : {m_buttonIcon, buttonText}) {
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setFixedHeight(36);
    }
    auto *buttonRow = new QHBoxLayout(button);
    buttonRow->setContentsMargins(14, 0, 14, 0);
    buttonRow->setSpacing(7);
    buttonRow->addWidget(m_buttonIcon);
    buttonRow->addWidget(buttonText);
    // The button takes the size of its row, also after a font change.
    buttonRow->setSizeConstraint(QLayout::SetFixedSize);
    connect(button, &QPushButton::clicked, this, &EmptyProjectsView::addRequested);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(32, 32, 32, 32);
    column->setSpacing(14);
    column->addStretch();
    column->addWidget(m_icon, 0, Qt::AlignHCenter);
    column->addWidget(title, 0, Qt::AlignHCenter);
    column->addWidget(hint, 0, Qt::AlignHCenter);
    column->addSpacing(4);
    column->addWidget(button, 0, Qt::AlignHCenter);
    column->addStretch();
    updateSymbols();
}

void EmptyProjectsView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        updateSymbols();
    QWidget::changeEvent(event);
}

void EmptyProjectsView::updateSymbols()
{
    const ThemePalette &colors = Palette::of(palette());
    const qreal ratio = devicePixelRatioF();
    m_icon->setPixmap(Icons::pixmap(u"folder.badge.plus"_s, colors.secondaryLabel, 28, ratio));
    m_buttonIcon->setPixmap(Icons::pixmap(u"plus"_s, colors.windowBackground, 12, ratio));
}

} // namespace devnook
