#include "AppSettingsView.h"

#include "core/environment/DiagnosticInfoService.h"
#include "core/environment/UpdateService.h"
#include "core/foundation/L10n.h"
#include "core/projects/AppSettings.h"
#include "core/projects/AppVersion.h"
#include "core/projects/InstallationIdentityService.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Switch.h"

#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// The bordered text button of the page; dimmed to 0.55 while disabled.
class FeedbackButton final : public QPushButton {
public:
    FeedbackButton(const QString &title, QWidget *parent) : QPushButton(title, parent)
    {
        Kit::setRole(this, Kit::Role::kFeedbackButton);
        setFont(Kit::font(13, QFont::Medium));
        setCursor(Qt::PointingHandCursor);
        updateOpacity();
    }

protected:
    void changeEvent(QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange)
            updateOpacity();
        QPushButton::changeEvent(event);
    }

private:
    void updateOpacity()
    {
        auto *effect = new QGraphicsOpacityEffect(this);
        effect->setOpacity(isEnabled() ? 1.0 : 0.55);
        setGraphicsEffect(effect);
    }
};

// One line of text that shows its middle elided while it does not fit, and
// the whole text once focused, so selecting and copying take all of it.
class MiddleElidedField final : public QLineEdit {
public:
    MiddleElidedField(const QString &text, QWidget *parent) : QLineEdit(parent), m_fullText(text)
    {
        setReadOnly(true);
        setFrame(false);
        setStyleSheet(u"QLineEdit { background: transparent; border: none; padding: 0px; }"_s);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setToolTip(QString());
        showElided();
    }

    QSize minimumSizeHint() const override
    {
        return {fontMetrics().averageCharWidth() * 8, fontMetrics().height()};
    }
    QSize sizeHint() const override
    {
        return {fontMetrics().horizontalAdvance(m_fullText) + 8, fontMetrics().height()};
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QLineEdit::resizeEvent(event);
        if (!hasFocus())
            showElided();
    }
    void focusInEvent(QFocusEvent *event) override
    {
        setText(m_fullText);
        QLineEdit::focusInEvent(event);
    }
    void focusOutEvent(QFocusEvent *event) override
    {
        QLineEdit::focusOutEvent(event);
        showElided();
    }

private:
    void showElided()
    {
        setText(fontMetrics().elidedText(m_fullText, Qt::ElideMiddle, std::max(0, width() - 4)));
        setCursorPosition(0);
    }

    QString m_fullText;
};

QLabel *makeLabel(const QString &text, const QFont &font, const char *textRole, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    // Also error descriptions, which may quote paths and names.
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    if (textRole)
        Kit::setTextRole(label, textRole);
    return label;
}

// A titled card of rows.
QWidget *makeSection(const QString &titleKey, const QList<QWidget *> &rows, QWidget *parent)
{
    auto *section = new QWidget(parent);
    auto *column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto *title =
        makeLabel(L10n::text(titleKey), Kit::font(13, QFont::DemiBold), Kit::TextRole::kSecondary, section);
    title->setContentsMargins(4, 0, 4, 0);
    column->addWidget(title);

    auto *card = new QFrame(section);
    Kit::setRole(card, Kit::Role::kCard);
    auto *cardColumn = new QVBoxLayout(card);
    cardColumn->setContentsMargins(0, 0, 0, 0);
    cardColumn->setSpacing(0);
    for (QWidget *row : rows) {
        row->setParent(card);
        cardColumn->addWidget(row);
    }
    column->addWidget(card);
    return section;
}

// One line of a card: title and optional subtitle, the control at the end.
QWidget *makeRow(const QString &titleKey, const QString &subtitleKey, QWidget *control)
{
    auto *row = new QWidget;
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(16, 16, 16, 16);
    line->setSpacing(16);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addWidget(makeLabel(L10n::text(titleKey), Kit::font(14), nullptr, row));
    const QString subtitle = subtitleKey.isEmpty() ? QString() : L10n::text(subtitleKey);
    if (!subtitle.trimmed().isEmpty()) {
        auto *label = makeLabel(subtitle, Kit::font(12), Kit::TextRole::kSecondary, row);
        label->setWordWrap(true);
        texts->addWidget(label);
    }
    line->addLayout(texts, 1);
    control->setParent(row);
    line->addWidget(control, 0, Qt::AlignVCenter);
    return row;
}

} // namespace

AppSettingsView::AppSettingsView(AppSettings &settings, UpdateService &updates, KeyValueStore &defaults,
                                 UrlOpener &urlOpener, QWidget *parent)
    : QWidget(parent), m_settings(settings), m_updates(updates), m_defaults(defaults), m_urlOpener(urlOpener)
{
    setObjectName(u"appSettingsView"_s);
    setMinimumSize(520, 340);
    setAutoFillBackground(true);

    m_content = new QWidget;
    m_content->setObjectName(scrollIdentifier(SettingsDestination::top));
    auto *column = new QVBoxLayout(m_content);
    column->setContentsMargins(28, 28, 28, 28);
    column->setSpacing(22);
    column->addWidget(makeHeader());
    column->addWidget(makeSections());
    m_error = makeLabel(QString(), Kit::font(10), Kit::TextRole::kError, m_content);
    m_error->setObjectName(u"settingsLastError"_s);
    m_error->setWordWrap(true);
    column->addWidget(m_error);
    column->addStretch();

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(u"settingsScroll"_s);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidget(m_content);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_content->setAutoFillBackground(false);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scroll);

    connect(&m_scrollAnimation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { m_scroll->verticalScrollBar()->setValue(value.toInt()); });
    connect(&m_settings, &AppSettings::settingsChanged, this, &AppSettingsView::syncFromSettings);
    syncFromSettings();
}

QWidget *AppSettingsView::makeHeader()
{
    auto *header = new QWidget(m_content);
    auto *column = new QVBoxLayout(header);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    column->addWidget(
        makeLabel(L10n::text(u"settings_title"_s), Kit::font(24, QFont::DemiBold), nullptr, header));
    auto *hint = makeLabel(L10n::text(u"settings_hint"_s), Kit::font(14), Kit::TextRole::kSecondary, header);
    hint->setWordWrap(true);
    column->addWidget(hint);
    return header;
}

QWidget *AppSettingsView::makeSections()
{
    m_launchAtLogin = new Switch;
    m_launchAtLogin->setObjectName(u"launchAtLoginSwitch"_s);
    connect(m_launchAtLogin, &Switch::clicked, this,
            [this](bool wanted) { m_settings.setLaunchAtLoginEnabled(wanted); });

    m_theme = new QComboBox;
    m_theme->setObjectName(u"themePicker"_s);
    for (const AppTheme theme : AppThemes::all())
        m_theme->addItem(AppThemes::localizedTitle(theme));
    m_theme->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(m_theme, &QComboBox::activated, this,
            [this](int index) { m_settings.setTheme(AppThemes::all().value(index, AppTheme::system)); });

    m_idlePause = new Switch;
    m_idlePause->setObjectName(u"idlePauseSwitch"_s);
    connect(m_idlePause, &Switch::clicked, this,
            [this](bool enabled) { m_settings.setPauseUsageTrackingWhenIdle(enabled); });

    m_analytics = new Switch;
    m_analytics->setObjectName(u"analyticsSwitch"_s);
    connect(m_analytics, &Switch::clicked, this,
            [this](bool enabled) { m_settings.setAnonymousAnalyticsEnabled(enabled); });

    auto *reportBug = new FeedbackButton(L10n::text(u"send"_s), nullptr);
    reportBug->setObjectName(u"reportBugButton"_s);
    connect(reportBug, &QPushButton::clicked, this, [this] { sendFeedback(FeedbackKind::bugReport); });
    auto *requestFeature = new FeedbackButton(L10n::text(u"send"_s), nullptr);
    requestFeature->setObjectName(u"requestFeatureButton"_s);
    connect(requestFeature, &QPushButton::clicked, this,
            [this] { sendFeedback(FeedbackKind::featureRequest); });

    m_checkForUpdates = new FeedbackButton(L10n::text(u"check"_s), nullptr);
    m_checkForUpdates->setObjectName(u"checkForUpdatesButton"_s);
    connect(m_checkForUpdates, &QPushButton::clicked, this, [this] { m_updates.checkForUpdates(); });
    auto *version = makeLabel(AppVersion::displayString(), Kit::font(13, QFont::Medium),
                              Kit::TextRole::kSecondary, nullptr);
    version->setObjectName(u"versionLabel"_s);
    auto *copy = new FeedbackButton(L10n::text(u"copy"_s), nullptr);
    copy->setObjectName(u"copyDiagnosticsButton"_s);
    connect(copy, &QPushButton::clicked, this, &AppSettingsView::copyDiagnostics);

    auto *sections = new QWidget(m_content);
    auto *column = new QVBoxLayout(sections);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(18);
    column->addWidget(
        makeSection(u"settings_general"_s, {makeRow(u"open_at_login"_s, {}, m_launchAtLogin)}, sections));
    column->addWidget(makeSection(u"settings_appearance"_s, {makeRow(u"theme"_s, {}, m_theme)}, sections));
    column->addWidget(makeSection(
        u"settings_usage"_s,
        {makeRow(u"pause_usage_tracking_when_idle"_s, u"pause_usage_tracking_when_idle_hint"_s, m_idlePause)},
        sections));
    column->addWidget(makeSection(
        u"settings_privacy"_s,
        {makeRow(u"anonymous_analytics"_s, u"anonymous_analytics_hint"_s, m_analytics)}, sections));
    column->addWidget(makeSection(u"settings_feedback"_s,
                                  {makeRow(u"report_bug"_s, {}, reportBug), Kit::makeDivider(nullptr),
                                   makeRow(u"request_feature"_s, {}, requestFeature)},
                                  sections));
    column->addWidget(makeSection(u"settings_about"_s,
                                  {makeRow(u"check_for_updates"_s, {}, m_checkForUpdates),
                                   Kit::makeDivider(nullptr), makeRow(u"version"_s, {}, version),
                                   Kit::makeDivider(nullptr), makeRow(u"diagnostics"_s, {}, copy)},
                                  sections));
    column->addWidget(makeInstallationFooter());
    return sections;
}

QWidget *AppSettingsView::makeInstallationFooter()
{
    auto *footer = new QWidget(m_content);
    auto *line = new QHBoxLayout(footer);
    line->setContentsMargins(4, 0, 4, 0);
    line->setSpacing(5);
    line->addWidget(
        makeLabel(L10n::text(u"installation_id"_s), Kit::font(10), Kit::TextRole::kTertiary, footer));
    auto *value = new MiddleElidedField(InstallationIdentityService::installationID(m_defaults), footer);
    value->setObjectName(u"installationIdField"_s);
    value->setFont(Kit::monospacedFont(10));
    Kit::setTextRole(value, Kit::TextRole::kTertiary);
    line->addWidget(value, 1);
    return footer;
}

void AppSettingsView::sendFeedback(FeedbackKind kind)
{
    const Result<void> opened = FeedbackService::openMail(
        m_urlOpener, FeedbackService::compose(kind, DiagnosticInfoService::summary(m_defaults)));
    if (!opened) {
        m_error->setText(opened.error());
        m_error->setVisible(true);
    }
}

void AppSettingsView::copyDiagnostics()
{
    QGuiApplication::clipboard()->setText(DiagnosticInfoService::summary(m_defaults));
}

void AppSettingsView::syncFromSettings()
{
    const QSignalBlocker blockLogin(m_launchAtLogin);
    const QSignalBlocker blockTheme(m_theme);
    const QSignalBlocker blockIdle(m_idlePause);
    const QSignalBlocker blockAnalytics(m_analytics);
    m_launchAtLogin->setChecked(m_settings.launchAtLoginEnabled());
    m_theme->setCurrentIndex(static_cast<int>(AppThemes::all().indexOf(m_settings.theme())));
    m_idlePause->setChecked(m_settings.pauseUsageTrackingWhenIdle());
    m_analytics->setChecked(m_settings.anonymousAnalyticsEnabled());
    m_checkForUpdates->setEnabled(m_updates.isAvailable() && m_updates.canCheckForUpdates());
    const std::optional<QString> &error = m_settings.lastError();
    m_error->setText(error.value_or(QString()));
    m_error->setVisible(error.has_value());
}

void AppSettingsView::reveal(SettingsDestination destination)
{
    const auto *target = m_content->objectName() == scrollIdentifier(destination)
                             ? m_content
                             : m_content->findChild<QWidget *>(scrollIdentifier(destination));
    if (!target)
        return;
    const int goal = target == m_content ? 0 : target->mapTo(m_content, QPoint(0, 0)).y();
    m_scrollAnimation.stop();
    m_scrollAnimation.setStartValue(m_scroll->verticalScrollBar()->value());
    m_scrollAnimation.setEndValue(goal);
    m_scrollAnimation.setDuration(250);
    m_scrollAnimation.setEasingCurve(QEasingCurve::InOutQuad);
    m_scrollAnimation.start();
}

} // namespace devnook
