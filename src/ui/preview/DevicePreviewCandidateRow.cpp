#include "DevicePreviewCandidateRow.h"

#include "QRCodeRenderer.h"
#include "QRCodeTile.h"
#include "ReachabilityBadge.h"
#include "core/foundation/L10n.h"
#include "core/preview/DevicePreviewViewModel.h"
#include "ui/form/FormBlocks.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QVariantAnimation>
#include <QtMath>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kActionSymbol = 12;

// A URL that can be selected and wraps anywhere when it is wider than its
// room, as a long address has no spaces to wrap at; as tall as its lines.
class UrlText final : public QTextEdit {
public:
    UrlText(const QString &url, QWidget *parent) : QTextEdit(parent)
    {
        setObjectName(u"candidateURL"_s);
        setReadOnly(true);
        setTextInteractionFlags(Qt::TextSelectableByMouse);
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        setFont(Kit::font(13, QFont::Medium));
        setStyleSheet(u"background: transparent;"_s);
        viewport()->setAutoFillBackground(false);
        document()->setDocumentMargin(0);
        setPlainText(url);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        fitHeight();
    }

    QSize sizeHint() const override
    {
        return {QFontMetrics(font()).horizontalAdvance(toPlainText()) + 2, height()};
    }
    QSize minimumSizeHint() const override { return {QFontMetrics(font()).averageCharWidth() * 8, height()}; }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QTextEdit::resizeEvent(event);
        fitHeight();
    }

private:
    void fitHeight()
    {
        document()->setTextWidth(viewport()->width());
        setFixedHeight(qCeil(document()->size().height()));
    }
};

QPushButton *makeAction(const QString &objectName, const QString &symbol, const QString &titleKey,
                        QWidget *parent)
{
    auto *button = new SymbolButton(symbol, kActionSymbol, Tone::label, L10n::text(titleKey), parent);
    button->setObjectName(objectName);
    button->setFont(Kit::font(12, QFont::Medium));
    Kit::setRole(button, Kit::Role::kFeedbackButton);
    return button;
}

QLabel *makeText(const QString &objectName, const QFont &font, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setWordWrap(true);
    Kit::setTextRole(label, Kit::TextRole::kSecondary);
    return label;
}

} // namespace

DevicePreviewCandidateRow::DevicePreviewCandidateRow(DevicePreviewCandidate candidate,
                                                     DevicePreviewViewModel &model, QWidget *parent)
    : QWidget(parent), m_candidate(std::move(candidate)), m_model(model)
{
    setObjectName(u"candidateRow"_s);
    setProperty("candidateID", m_candidate.id());
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 8, 0, 8);
    row->setSpacing(16);

    const QString url = m_candidate.url.toString();
    // Without a code that fits, the row starts with its address.
    const QImage modules = QRCodeRenderer::modules(url);
    if (QRCodeTile::fits(modules)) {
        auto *code = new QRCodeTile(modules, this);
        code->setObjectName(u"qrCode"_s);
        row->addWidget(code);
    }

    // Centred beside the code: the room left over goes above and below.
    auto *column = new QVBoxLayout;
    column->setSpacing(8);
    column->addStretch();
    auto *urlLine = new QHBoxLayout;
    urlLine->setSpacing(8);
    urlLine->addWidget(new UrlText(url, this), 0, Qt::AlignVCenter);
    m_badge = new ReachabilityBadge(this);
    urlLine->addWidget(m_badge, 0, Qt::AlignVCenter);
    urlLine->addStretch();
    column->addLayout(urlLine);

    auto *actions = new QHBoxLayout;
    actions->setSpacing(8);
    m_open = makeAction(u"openButton"_s, u"safari"_s, u"open_network_url"_s, this);
    actions->addWidget(m_open);
    m_copy = makeAction(u"copyButton"_s, u"doc.on.doc"_s, u"copy_network_url"_s, this);
    actions->addWidget(m_copy);
    actions->addWidget(makeCopiedMark());
    actions->addStretch();
    column->addLayout(actions);
    column->addWidget(makeGuidance());
    column->addStretch();
    row->addLayout(column, 1);

    updateSymbols();
    connect(m_open, &QPushButton::clicked, this, [this] { m_model.open(m_candidate); });
    connect(m_copy, &QPushButton::clicked, this, [this] { m_model.copy(m_candidate); });
    connect(m_badge, &ReachabilityBadge::clicked, this, [this] { m_model.refreshReachability(m_candidate); });
    connect(&m_model, &DevicePreviewViewModel::reachabilityChanged, this,
            &DevicePreviewCandidateRow::showReachability);
    connect(&m_model, &DevicePreviewViewModel::copiedCandidateChanged, this,
            &DevicePreviewCandidateRow::showCopied);
    showReachability(QString());
    showCopied();
}

QWidget *DevicePreviewCandidateRow::makeCopiedMark()
{
    m_copied = new QWidget(this);
    m_copied->setObjectName(u"copiedMark"_s);
    auto *layout = new QHBoxLayout(m_copied);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    m_copiedSymbol = new QLabel(m_copied);
    layout->addWidget(m_copiedSymbol);
    m_copiedTitle = new QLabel(L10n::text(u"copied"_s), m_copied);
    m_copiedTitle->setFont(Kit::font(12, QFont::Medium));
    layout->addWidget(m_copiedTitle);
    m_copiedOpacity = new QGraphicsOpacityEffect(m_copied);
    m_copiedOpacity->setOpacity(0.0);
    m_copied->setGraphicsEffect(m_copiedOpacity);
    m_copied->setVisible(false);

    m_copiedFade = new QVariantAnimation(this);
    m_copiedFade->setDuration(kCopiedFadeMs);
    m_copiedFade->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_copiedFade, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &opacity) { m_copiedOpacity->setOpacity(opacity.toReal()); });
    connect(m_copiedFade, &QVariantAnimation::finished, this, [this] {
        if (!m_showsCopied)
            m_copied->setVisible(false);
    });
    return m_copied;
}

QWidget *DevicePreviewCandidateRow::makeGuidance()
{
    m_guidance = new QWidget(this);
    m_guidance->setObjectName(u"guidance"_s);
    auto *layout = new QHBoxLayout(m_guidance);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(new SymbolLabel(u"exclamationmark.triangle"_s, 10, Tone::secondary, m_guidance), 0,
                      Qt::AlignTop);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    m_failure = makeText(u"failureDescription"_s, Kit::font(10, QFont::Medium), m_guidance);
    texts->addWidget(m_failure);
    m_advice = makeText(u"failureGuidance"_s, Kit::font(10), m_guidance);
    texts->addWidget(m_advice);
    layout->addLayout(texts, 1);
    m_guidance->setVisible(false);
    return m_guidance;
}

void DevicePreviewCandidateRow::showReachability(const QString &candidateID)
{
    if (!candidateID.isEmpty() && candidateID != m_candidate.id())
        return;
    const DevicePreviewBadge badge = DevicePreviewBadge::of(m_model.reachability(m_candidate.id()));
    m_badge->setBadge(badge);
    m_failure->setText(badge.failureDescription);
    m_advice->setText(badge.guidance);
    m_guidance->setVisible(!badge.guidance.isEmpty());
}

void DevicePreviewCandidateRow::showCopied()
{
    const bool copied = m_model.copiedCandidateID() == m_candidate.id();
    if (copied == m_showsCopied)
        return;
    m_showsCopied = copied;
    if (copied)
        m_copied->setVisible(true);
    m_copiedFade->stop();
    m_copiedFade->setStartValue(m_copiedOpacity->opacity());
    m_copiedFade->setEndValue(copied ? 1.0 : 0.0);
    m_copiedFade->start();
}

void DevicePreviewCandidateRow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The symbols are drawn in the theme's colours; a theme change redraws them.
    if (event->type() == QEvent::PaletteChange)
        updateSymbols();
}

void DevicePreviewCandidateRow::updateSymbols()
{
    const ThemePalette &colors = Palette::of(palette());
    m_copiedSymbol->setPixmap(
        Icons::pixmap(u"checkmark"_s, colors.green, kActionSymbol, devicePixelRatioF()));
    m_copiedTitle->setStyleSheet(u"color: "_s + Palette::css(colors.green) + u';');
}

} // namespace devnook
