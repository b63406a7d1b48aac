#include "DevicePreviewView.h"

#include "DevicePreviewTargetSection.h"
#include "core/foundation/DateTexts.h"
#include "core/foundation/L10n.h"
#include "ui/form/FormBlocks.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"
#include "ui/kit/ProgressSpinner.h"
#include "ui/kit/Switch.h"
#include "ui/kit/Tooltip.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kPadding = 20;
constexpr int kSpinnerSide = 16;
constexpr int kLoadingPadding = 48;
constexpr int kRecheckSide = 30;
constexpr int kRecheckSymbol = 12;

QLabel *makeText(const QString &text, const QFont &font, const char *textRole, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setWordWrap(true);
    if (textRole)
        Kit::setTextRole(label, textRole);
    return label;
}

} // namespace

DevicePreviewView::DevicePreviewView(DevProject project, DevicePreviewViewServices services, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(u"devicePreviewView"_s);
    m_model = new DevicePreviewViewModel(std::move(project), std::move(services), this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(makeHeader());
    layout->addWidget(Kit::makeDivider(this));

    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(u"devicePreviewScroll"_s);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    auto *page = new QWidget(scroll);
    m_column = new QVBoxLayout(page);
    m_column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    m_column->setSpacing(16);
    m_column->addWidget(makeNote(u"wifi"_s, u"device_preview_network_note"_s, page));
    m_column->addWidget(makeNote(u"exclamationmark.shield"_s, u"device_preview_security_note"_s, page));
    m_column->addStretch();
    scroll->setWidget(page);
    layout->addWidget(scroll, 1);

    connect(m_model, &DevicePreviewViewModel::headerChanged, this, &DevicePreviewView::showHeader);
    connect(m_model, &DevicePreviewViewModel::contentChanged, this, &DevicePreviewView::showContent);
    showHeader();
    showContent();
    m_model->start();
}

QWidget *DevicePreviewView::makeEmptyState(const QString &title, const QString &message, QWidget *parent)
{
    auto *block = new QFrame(parent);
    block->setObjectName(u"emptyState"_s);
    Kit::setRole(block, Kit::Role::kCard);
    auto *column = new QVBoxLayout(block);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(4);
    QLabel *titleLabel = makeText(title, Kit::font(13, QFont::DemiBold), nullptr, block);
    titleLabel->setObjectName(u"emptyStateTitle"_s);
    column->addWidget(titleLabel);
    QLabel *messageLabel = makeText(message, Kit::font(12), Kit::TextRole::kSecondary, block);
    messageLabel->setObjectName(u"emptyStateMessage"_s);
    column->addWidget(messageLabel);
    return block;
}

QWidget *DevicePreviewView::makeHeader()
{
    auto *header = new QWidget(this);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(kPadding, kPadding, kPadding, 12);
    row->setSpacing(12);

    auto *titles = new QVBoxLayout;
    titles->setSpacing(3);
    titles->addWidget(
        makeText(L10n::text(u"device_preview_title"_s), Kit::font(22, QFont::DemiBold), nullptr, header));
    m_lastChecked = makeText(QString(), Kit::font(10), Kit::TextRole::kSecondary, header);
    m_lastChecked->setObjectName(u"lastChecked"_s);
    titles->addWidget(m_lastChecked);
    row->addLayout(titles, 1);

    auto *switchRow = new QHBoxLayout;
    switchRow->setSpacing(6);
    QLabel *switchTitle =
        makeText(L10n::text(u"device_preview_active"_s), Kit::font(12, QFont::Medium), nullptr, header);
    switchTitle->setWordWrap(false);
    switchRow->addWidget(switchTitle);
    m_switch = new Switch(header);
    m_switch->setObjectName(u"previewSwitch"_s);
    m_switch->setAccessibleName(switchTitle->text());
    switchRow->addWidget(m_switch);
    row->addLayout(switchRow);
    row->setAlignment(switchRow, Qt::AlignTop);

    m_recheck = new QToolButton(header);
    m_recheck->setObjectName(u"recheckButton"_s);
    m_recheck->setFixedSize(kRecheckSide, kRecheckSide);
    m_recheck->setAccessibleName(L10n::text(u"device_preview_refresh"_s));
    m_recheck->setIconSize(QSize(kRecheckSymbol, kRecheckSymbol));
    Kit::setRole(m_recheck, Kit::Role::kOutlined);
    Tooltip::attach(m_recheck, L10n::text(u"device_preview_refresh"_s), TooltipPlacement::top);
    row->addWidget(m_recheck, 0, Qt::AlignTop);

    updateRecheckSymbol();

    connect(m_switch, &Switch::clicked, this, [this](bool on) { m_model->setActive(on); });
    connect(m_recheck, &QToolButton::clicked, this, [this] { m_model->refreshReachability(); });
    return header;
}

QWidget *DevicePreviewView::makeNote(const QString &symbol, const QString &textKey, QWidget *parent)
{
    auto *note = new QWidget(parent);
    note->setObjectName(textKey);
    auto *row = new QHBoxLayout(note);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(new SymbolLabel(symbol, 12, Tone::secondary, note), 0, Qt::AlignTop);
    row->addWidget(makeText(L10n::text(textKey), Kit::font(12), Kit::TextRole::kSecondary, note), 1);
    return note;
}

void DevicePreviewView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The symbol is drawn in the theme's colours; a theme change redraws it.
    if (event->type() == QEvent::PaletteChange)
        updateRecheckSymbol();
}

void DevicePreviewView::updateRecheckSymbol()
{
    m_recheck->setIcon(Icons::icon(u"arrow.clockwise"_s, Palette::of(palette()).label, kRecheckSymbol));
}

void DevicePreviewView::showHeader()
{
    const std::optional<Timestamp> checked = m_model->lastChecked();
    m_lastChecked->setVisible(checked.has_value());
    if (checked)
        m_lastChecked->setText(L10n::format(
            u"device_preview_last_checked"_s,
            {DateTexts::shortTime(checked->toDateTime().toLocalTime().time())}));
    const bool active = m_model->isActive();
    m_switch->setChecked(active);
    m_switch->setEnabled(m_model->hasTargets());
    Tooltip::attach(
        m_switch,
        L10n::text(m_model->hasTargets() ? u"device_preview_active"_s : u"device_preview_no_urls_message"_s),
        TooltipPlacement::top);
    m_recheck->setEnabled(active);
}

void DevicePreviewView::showContent()
{
    QWidget *page = m_column->parentWidget();
    delete m_content;
    m_content = new QWidget(page);
    m_content->setObjectName(u"devicePreviewContent"_s);
    auto *layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);
    switch (m_model->content()) {
    case DevicePreviewContent::inactive:
        layout->addWidget(makeEmptyState(L10n::text(u"device_preview_inactive_title"_s),
                                         L10n::text(u"device_preview_inactive_message"_s), m_content));
        break;
    case DevicePreviewContent::loading: {
        auto *spinner = new ProgressSpinner(kSpinnerSide, m_content);
        spinner->setObjectName(u"loadingIndicator"_s);
        layout->addSpacing(kLoadingPadding);
        layout->addWidget(spinner, 0, Qt::AlignHCenter);
        layout->addSpacing(kLoadingPadding);
        break;
    }
    case DevicePreviewContent::noURLs:
        layout->addWidget(makeEmptyState(L10n::text(u"device_preview_no_urls_title"_s),
                                         L10n::text(u"device_preview_no_urls_message"_s), m_content));
        break;
    case DevicePreviewContent::targets:
        for (const DevicePreviewTarget &target : m_model->targets())
            layout->addWidget(new DevicePreviewTargetSection(target, *m_model, m_content));
        break;
    }
    m_column->insertWidget(0, m_content);
}

} // namespace devnook
