#include "KitStyle.h"

#include "Kit.h"
#include "Palette.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr char kPaintedProperty[] = "kitPainted";
constexpr char kSheetProperty[] = "kitSheet";
// The scroll bar of a grouped list: thin, no arrows, a rounded handle.
constexpr int kScrollBarExtent = 10;
constexpr int kScrollBarMargin = 2;
constexpr int kScrollHandleMinimum = 32;

QString g_styleSheet;

bool takesSheet(const QWidget *widget)
{
    for (; widget; widget = widget->parentWidget())
        if (widget->property(kSheetProperty).toBool())
            return true;
    return false;
}

// The role of a widget this style paints itself: one in the panel, outside
// the parts of it that take the style sheet.
QString paintedRole(const QWidget *widget, const char *property = "kitRole")
{
    if (!widget || !widget->window()->property(kPaintedProperty).toBool() || takesSheet(widget))
        return {};
    return widget->property(property).toString();
}

// The grouped scroll area a scroll bar belongs to, if it is painted here.
const QAbstractScrollArea *groupedAreaOf(const QWidget *widget)
{
    if (!qobject_cast<const QScrollBar *>(widget))
        return nullptr;
    for (const QWidget *parent = widget->parentWidget(); parent; parent = parent->parentWidget())
        if (const auto *area = qobject_cast<const QAbstractScrollArea *>(parent))
            return paintedRole(area) == QLatin1String(Kit::Role::kGrouped) ? area : nullptr;
    return nullptr;
}

const ThemePalette &colours()
{
    return Palette::of(QApplication::palette());
}

void fillRounded(QPainter *painter, const QRectF &rect, qreal radius, const QColor &fill,
                 const QColor &border = QColor())
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(border.isValid() ? QPen(border, 1) : Qt::NoPen);
    painter->setBrush(fill);
    const QRectF shape = border.isValid() ? rect.adjusted(0.5, 0.5, -0.5, -0.5) : rect;
    painter->drawRoundedRect(shape, radius, radius);
    painter->restore();
}

QColor textRoleColour(const QString &role)
{
    const ThemePalette &theme = colours();
    if (role == QLatin1String(Kit::TextRole::kSecondary))
        return theme.secondaryLabel;
    if (role == QLatin1String(Kit::TextRole::kTertiary))
        return theme.tertiaryLabel;
    if (role == QLatin1String(Kit::TextRole::kError))
        return theme.red;
    if (role == QLatin1String(Kit::TextRole::kInverted))
        return theme.windowBackground;
    return {};
}

// The colours a painted widget takes from its role: text roles and the
// grouped list's background.
void applyRoleColours(QWidget *widget)
{
    if (const QColor text = textRoleColour(paintedRole(widget, "kitText")); text.isValid()) {
        QPalette palette = widget->palette();
        for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            palette.setColor(role, text);
        widget->setPalette(palette);
    }
    if (auto *area = qobject_cast<QAbstractScrollArea *>(widget);
        area && paintedRole(area) == QLatin1String(Kit::Role::kGrouped)) {
        QPalette palette = area->viewport()->palette();
        palette.setColor(QPalette::Base, colours().groupedBackground);
        area->viewport()->setPalette(palette);
    }
}

} // namespace

KitStyle::KitStyle() : QProxyStyle(QStyleFactory::create(u"Fusion"_s)) {}

void KitStyle::markPainted(QWidget *window)
{
    window->setProperty(kPaintedProperty, true);
}

void KitStyle::useThemeSheet(QWidget *root)
{
    if (root->property(kSheetProperty).toBool())
        return;
    root->setProperty(kSheetProperty, true);
    root->setStyleSheet(g_styleSheet);
}

void KitStyle::applyTheme(const QString &styleSheet)
{
    g_styleSheet = styleSheet;
    for (QWidget *widget : QApplication::allWidgets()) {
        if (widget->property(kSheetProperty).toBool())
            widget->setStyleSheet(g_styleSheet);
        else
            applyRoleColours(widget);
    }
}

void KitStyle::polish(QWidget *widget)
{
    QProxyStyle::polish(widget);
    // Every window but the panel takes the theme's style sheet when first
    // styled; its widgets are then styled through the sheet, over this style.
    // Menus, pop-ups, tooltips and the tray icon hold none of the kit's roles.
    if (widget->isWindow() && !widget->property(kPaintedProperty).toBool() && !g_styleSheet.isEmpty() &&
        widget->windowType() != Qt::Popup && widget->windowType() != Qt::ToolTip &&
        !widget->inherits("QSystemTrayIconSys")) {
        useThemeSheet(widget);
        return;
    }
    const QString role = paintedRole(widget);
    if (role == QLatin1String(Kit::Role::kGrouped) || role == QLatin1String(Kit::Role::kSegments) ||
        role == QLatin1String(Kit::Role::kField) || role == QLatin1String(Kit::Role::kDivider))
        widget->setAttribute(Qt::WA_StyledBackground);
    applyRoleColours(widget);
}

void KitStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                             const QWidget *widget) const
{
    const QString role = paintedRole(widget);
    // Fusion draws an arrow in the text colour at a fixed alpha, dropping the
    // colour's own: the arrow of a dimmed, disabled label stayed dark. The
    // colour's alpha is kept as the painter's opacity instead.
    if (const QColor text = option->palette.windowText().color();
        text.alpha() < 255 && (element == PE_IndicatorArrowDown || element == PE_IndicatorArrowUp ||
                               element == PE_IndicatorArrowLeft || element == PE_IndicatorArrowRight)) {
        QStyleOption arrow = *option;
        arrow.palette.setColor(QPalette::WindowText, QColor(text.red(), text.green(), text.blue()));
        painter->save();
        painter->setOpacity(painter->opacity() * text.alphaF());
        QProxyStyle::drawPrimitive(element, &arrow, painter, widget);
        painter->restore();
        return;
    }
    if (role.isEmpty())
        return QProxyStyle::drawPrimitive(element, option, painter, widget);
    const ThemePalette &theme = colours();
    const QRectF rect = option->rect;
    switch (element) {
    case PE_Widget:
        if (role == QLatin1String(Kit::Role::kGrouped))
            painter->fillRect(option->rect, theme.groupedBackground);
        else if (role == QLatin1String(Kit::Role::kDivider))
            painter->fillRect(option->rect, theme.separator);
        else if (role == QLatin1String(Kit::Role::kSegments))
            fillRounded(painter, rect, 7, theme.separator);
        else if (role == QLatin1String(Kit::Role::kField))
            fillRounded(painter, rect, 8, theme.controlBackground, theme.separator);
        return;
    case PE_PanelButtonTool:
    case PE_PanelButtonCommand:
        if (role == QLatin1String(Kit::Role::kCircleButton))
            fillRounded(painter, rect, rect.height() / 2, theme.label);
        else if (role == QLatin1String(Kit::Role::kInvertedButton))
            fillRounded(painter, rect, 8, theme.label);
        else if (role == QLatin1String(Kit::Role::kSegment) && (option->state & State_On))
            fillRounded(painter, rect, 6, theme.controlBackground);
        return;
    case PE_FrameButtonTool:
    case PE_FrameDefaultButton:
    case PE_FrameFocusRect:
    case PE_PanelLineEdit:
    case PE_FrameLineEdit:
        return;
    default:
        return QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

void KitStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                  QPainter *painter, const QWidget *widget) const
{
    const QString role = paintedRole(widget);
    if (control == CC_ToolButton && !role.isEmpty()) {
        if (const auto *button = qstyleoption_cast<const QStyleOptionToolButton *>(option)) {
            // The role paints the button; no menu arrow beside a plain symbol.
            QStyleOptionToolButton label = *button;
            label.features &= ~(QStyleOptionToolButton::MenuButtonPopup | QStyleOptionToolButton::HasMenu);
            if (role == QLatin1String(Kit::Role::kCircleButton))
                drawPrimitive(PE_PanelButtonTool, &label, painter, widget);
            label.rect = subControlRect(control, &label, SC_ToolButton, widget);
            drawControl(CE_ToolButtonLabel, &label, painter, widget);
            return;
        }
    }
    if (control == CC_ScrollBar && groupedAreaOf(widget)) {
        const QRect handle = subControlRect(control, option, SC_ScrollBarSlider, widget);
        if (handle.isValid())
            fillRounded(painter, QRectF(handle).adjusted(kScrollBarMargin, 0, -kScrollBarMargin, 0), 3,
                        colours().tertiaryLabel);
        return;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

QRect KitStyle::subControlRect(ComplexControl control, const QStyleOptionComplex *option,
                               SubControl subControl, const QWidget *widget) const
{
    if (control != CC_ScrollBar || !groupedAreaOf(widget))
        return QProxyStyle::subControlRect(control, option, subControl, widget);
    const auto *bar = qstyleoption_cast<const QStyleOptionSlider *>(option);
    if (!bar || bar->orientation != Qt::Vertical)
        return QProxyStyle::subControlRect(control, option, subControl, widget);
    const QRect groove = option->rect.adjusted(0, kScrollBarMargin, 0, -kScrollBarMargin);
    const int range = bar->maximum - bar->minimum;
    const int length =
        range > 0 ? std::max(kScrollHandleMinimum, static_cast<int>(static_cast<qint64>(groove.height()) *
                                                                    bar->pageStep / (range + bar->pageStep)))
                  : groove.height();
    const int top = groove.top() + sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition,
                                                           groove.height() - length, bar->upsideDown);
    const QRect handle(groove.left(), top, groove.width(), std::min(length, groove.height()));
    switch (subControl) {
    case SC_ScrollBarSlider:
        return handle;
    case SC_ScrollBarGroove:
        return groove;
    case SC_ScrollBarSubPage:
        return QRect(groove.left(), groove.top(), groove.width(), handle.top() - groove.top());
    case SC_ScrollBarAddPage:
        return QRect(groove.left(), handle.bottom() + 1, groove.width(), groove.bottom() - handle.bottom());
    default:
        return {};
    }
}

int KitStyle::pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const
{
    if (groupedAreaOf(widget)) {
        if (metric == PM_ScrollBarExtent)
            return kScrollBarExtent;
        if (metric == PM_ScrollBarSliderMin)
            return kScrollHandleMinimum;
    }
    if (metric == PM_DefaultFrameWidth && qobject_cast<const QLineEdit *>(widget) &&
        !paintedRole(widget).isEmpty())
        return 0;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

QSize KitStyle::sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &contentsSize,
                                 const QWidget *widget) const
{
    const QString role = paintedRole(widget);
    if (type == CT_PushButton && role == QLatin1String(Kit::Role::kSegment))
        return contentsSize + QSize(12, 6);
    if (type == CT_ToolButton && role == QLatin1String(Kit::Role::kPlainButton))
        return contentsSize;
    // A borderless field keeps a pixel above and below its text.
    if (type == CT_LineEdit && !role.isEmpty())
        return contentsSize + QSize(0, 2);
    return QProxyStyle::sizeFromContents(type, option, contentsSize, widget);
}

} // namespace devnook
