#include "UsageCards.h"

#include "ui/kit/Kit.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <cmath>

namespace devnook {

UsageShrinkingLabel::UsageShrinkingLabel(int pixelSize, QFont::Weight weight, double smallestShare,
                                         QWidget *parent)
    : QLabel(parent), m_pixelSize(pixelSize), m_weight(weight), m_smallestShare(smallestShare)
{
    setTextFormat(Qt::PlainText);
    setFont(Kit::font(pixelSize, weight));
    // The card's width decides the font, not the text's.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumHeight(sizeHint().height());
}

void UsageShrinkingLabel::setFullText(const QString &text)
{
    m_fullText = text;
    fit();
}

void UsageShrinkingLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    fit();
}

void UsageShrinkingLabel::fit()
{
    const int smallest = static_cast<int>(std::ceil(m_pixelSize * m_smallestShare));
    QFont shown = Kit::font(m_pixelSize, m_weight);
    for (int size = m_pixelSize; size >= smallest; --size) {
        shown = Kit::font(size, m_weight);
        if (QFontMetrics(shown).horizontalAdvance(m_fullText) <= width())
            break;
    }
    setFont(shown);
    setText(QFontMetrics(shown).elidedText(m_fullText, Qt::ElideRight, width()));
}

UsagePanel::UsagePanel(const QString &title, int titleSpacing, QWidget *content, QWidget *trailing,
                       QWidget *parent)
    : QFrame(parent)
{
    Kit::setRole(this, Kit::Role::kCard);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(titleSpacing);
    auto *header = new QHBoxLayout;
    header->setSpacing(12);
    auto *titleLabel = new QLabel(title, this);
    titleLabel->setFont(Kit::font(14, QFont::DemiBold));
    header->addWidget(titleLabel);
    header->addStretch(1);
    if (trailing)
        header->addWidget(trailing);
    column->addLayout(header);
    column->addWidget(content);
}

UsageStatCard::UsageStatCard(const QString &title, QWidget *parent)
    : QFrame(parent), m_value(new UsageShrinkingLabel(28, QFont::DemiBold, 0.7, this))
{
    Kit::setRole(this, Kit::Role::kCard);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(4);
    auto *titleLabel = new QLabel(title, this);
    titleLabel->setFont(Kit::font(12, QFont::Medium));
    titleLabel->setWordWrap(true);
    Kit::setTextRole(titleLabel, Kit::TextRole::kSecondary);
    m_value->setObjectName(QStringLiteral("statValue"));
    column->addWidget(titleLabel);
    column->addWidget(m_value);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void UsageStatCard::setValue(const QString &value)
{
    m_value->setFullText(value);
}

QString UsageStatCard::value() const
{
    return m_value->fullText();
}

UsageMetricRow::UsageMetricRow(const QString &title, QWidget *parent)
    : QWidget(parent), m_value(new QLabel(this))
{
    setMinimumHeight(36);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto *titleLabel = new QLabel(title, this);
    titleLabel->setFont(Kit::font(14));
    m_value->setFont(Kit::font(14, QFont::Medium));
    row->addWidget(titleLabel);
    row->addStretch(1);
    row->addWidget(m_value);
}

void UsageMetricRow::setValue(const QString &value)
{
    m_value->setText(value);
}

QString UsageMetricRow::value() const
{
    return m_value->text();
}

} // namespace devnook
