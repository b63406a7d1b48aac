#include "FormBlocks.h"

#include "core/form/ProjectFormController.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"
#include "ui/kit/Switch.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kDividerInset = 10;
constexpr int kTitleFontSize = 14;
constexpr char kNoDividerProperty[] = "formNoDivider";

// The application's palette: a style sheet may have changed a button's own
// window colour, which would make it read as the other scheme.
QColor toneColor(Tone tone)
{
    const ThemePalette &colors = Palette::of(QGuiApplication::palette());
    switch (tone) {
    case Tone::label:
        return colors.label;
    case Tone::secondary:
        return colors.secondaryLabel;
    case Tone::tertiary:
        return colors.tertiaryLabel;
    }
    return colors.label;
}

} // namespace

SymbolLabel::SymbolLabel(const QString &symbolName, int size, Tone tone, QWidget *parent)
    : QLabel(parent), m_symbolName(symbolName), m_size(size), m_tone(tone)
{
    setAlignment(Qt::AlignCenter);
    redraw();
}

void SymbolLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        redraw();
}

void SymbolLabel::setRotation(int degrees)
{
    m_rotation = degrees;
    redraw();
}

void SymbolLabel::redraw()
{
    const QPixmap symbol = Icons::pixmap(m_symbolName, toneColor(m_tone), m_size, devicePixelRatioF());
    setPixmap(m_rotation == 0 ? symbol : symbol.transformed(QTransform().rotate(m_rotation)));
}

SymbolButton::SymbolButton(const QString &symbolName, int symbolSize, Tone tone, const QString &text,
                           QWidget *parent)
    : QPushButton(text, parent), m_symbolName(symbolName), m_symbolSize(symbolSize), m_tone(tone)
{
    setCursor(Qt::PointingHandCursor);
    setIconSize(QSize(symbolSize, symbolSize));
    redraw();
}

void SymbolButton::changeEvent(QEvent *event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        redraw();
}

void SymbolButton::redraw()
{
    setIcon(Icons::icon(m_symbolName, toneColor(m_tone), m_symbolSize));
}

void InlineField::paintEvent(QPaintEvent *event)
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect textArea =
        style()->subElementRect(QStyle::SE_LineEditContents, &option, this).adjusted(2, 0, -2, 0);
    if (hasFocus() || text().isEmpty() || fontMetrics().horizontalAdvance(text()) <= textArea.width()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(textArea, Qt::AlignVCenter | (alignment() & Qt::AlignHorizontal_Mask),
                     fontMetrics().elidedText(text(), Qt::ElideMiddle, textArea.width()));
}

FormGroup::FormGroup(QWidget *parent) : QFrame(parent), m_rows(new QVBoxLayout(this))
{
    Kit::setRole(this, Kit::Role::kCard);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(0);
}

void FormGroup::setDrawsNoDivider(QWidget *row)
{
    row->setProperty(kNoDividerProperty, true);
}

void FormGroup::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::of(palette()).separator);
    const int count = m_rows->count();
    for (int i = 0; i < count - 1; ++i) {
        const QWidget *row = m_rows->itemAt(i)->widget();
        if (!row || !row->isVisible() || row->property(kNoDividerProperty).toBool())
            continue;
        const QRect geometry = row->geometry();
        painter.drawRect(QRect(geometry.left() + kDividerInset, geometry.bottom(),
                               geometry.width() - 2 * kDividerInset, 1));
    }
}

FormRow::FormRow(const QString &title, QWidget *content, QWidget *parent)
    : FormRow(title, FormBlocks::kTitleWidth, content, parent)
{}

FormRow::FormRow(const QString &title, int titleWidth, QWidget *content, QWidget *parent) : QWidget(parent)
{
    setMinimumHeight(42);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 0, 10, 0);
    layout->setSpacing(12);
    auto *titleLabel = new QLabel(this);
    titleLabel->setFont(Kit::font(kTitleFontSize));
    titleLabel->setFixedWidth(titleWidth);
    // Titles share one column width; a title too long for it ends in "…".
    const QString shown = titleLabel->fontMetrics().elidedText(title, Qt::ElideRight, titleWidth);
    titleLabel->setText(shown);
    if (shown != title)
        titleLabel->setToolTip(title);
    layout->addWidget(titleLabel);
    layout->addWidget(content, 1, Qt::AlignVCenter);
}

FormToggleRow::FormToggleRow(const QString &title, const QString &description, QWidget *parent)
    : QWidget(parent), m_switch(new Switch(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 9, 10, 9);
    layout->setSpacing(12);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(3);
    auto *titleLabel = new QLabel(title, this);
    titleLabel->setFont(Kit::font(14));
    texts->addWidget(titleLabel);
    texts->addWidget(FormBlocks::makeHint(description, this));
    layout->addLayout(texts, 1);
    m_switch->setAccessibleName(title);
    layout->addWidget(m_switch, 0, Qt::AlignVCenter);
    FormGroup::setDrawsNoDivider(this);
}

namespace FormBlocks {

int titleColumnWidth(const QStringList &titles)
{
    const QFontMetrics metrics(Kit::font(kTitleFontSize));
    int width = kTitleWidth;
    for (const QString &title : titles)
        width = std::max(width, metrics.horizontalAdvance(title));
    return width;
}

void editDraft(ProjectFormController &form, const std::function<void(DevProject &)> &change)
{
    DevProject draft = form.draft();
    change(draft);
    form.setDraft(draft);
}

void bindText(QLineEdit *field, ProjectFormController &form, std::function<QString(const DevProject &)> read,
              std::function<void(DevProject &, const QString &)> write)
{
    field->setText(read(form.draft()));
    QObject::connect(field, &QLineEdit::textEdited, &form, [&form, write](const QString &text) {
        editDraft(form, [&](DevProject &d) { write(d, text); });
    });
    QObject::connect(&form, &ProjectFormController::draftChanged, field, [field, &form, read] {
        const QString text = read(form.draft());
        if (field->text() != text)
            field->setText(text);
    });
}

QLineEdit *makeInlineField(const QString &placeholder, QWidget *parent)
{
    auto *field = new InlineField(parent);
    Kit::setRole(field, Kit::Role::kInlineField);
    field->setPlaceholderText(placeholder);
    field->setFont(Kit::font(14));
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setFrame(false);
    return field;
}

QLineEdit *makeNameField(const QString &placeholder, int width, QWidget *parent)
{
    QLineEdit *field = makeInlineField(placeholder, parent);
    field->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    field->setFixedWidth(width);
    return field;
}

QLabel *makeHint(const QString &text, QWidget *parent)
{
    auto *hint = new QLabel(text, parent);
    hint->setFont(Kit::font(12));
    hint->setWordWrap(true);
    Kit::setTextRole(hint, Kit::TextRole::kSecondary);
    return hint;
}

QPushButton *makeAddButton(const QString &text, QWidget *parent)
{
    auto *button = new SymbolButton(u"plus"_s, 12, Tone::label, text, parent);
    Kit::setRole(button, Kit::Role::kOutlined);
    button->setFont(Kit::font(13, QFont::Medium));
    button->setFixedHeight(34);
    button->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    return button;
}

QPushButton *makeDeleteButton(QWidget *parent)
{
    auto *button = new SymbolButton(u"trash"_s, 14, Tone::secondary, {}, parent);
    Kit::setRole(button, Kit::Role::kPlainButton);
    button->setFixedSize(24, 28);
    return button;
}

QWidget *makeHeading(const QString &symbolName, const QString &title, QWidget *parent)
{
    auto *heading = new QWidget(parent);
    auto *layout = new QHBoxLayout(heading);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(new SymbolLabel(symbolName, 15, Tone::label, heading));
    auto *label = new QLabel(title, heading);
    label->setFont(Kit::font(15, QFont::DemiBold));
    layout->addWidget(label);
    layout->addStretch(1);
    return heading;
}

} // namespace FormBlocks

} // namespace devnook
