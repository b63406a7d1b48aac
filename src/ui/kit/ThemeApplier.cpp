#include "ThemeApplier.h"

#include "Kit.h"
#include "KitStyle.h"
#include "core/foundation/L10n.h"

#include <QApplication>

using namespace Qt::StringLiterals;

namespace devnook {

ThemeApplier::ThemeApplier(AppSettings &settings, QObject *parent) : QObject(parent), m_settings(settings)
{
    connect(&m_settings, &AppSettings::themeDidChange, this, &ThemeApplier::apply);
    apply();
}

void ThemeApplier::apply()
{
    const ColorScheme scheme = m_settings.resolvedColorScheme();
    if (!qobject_cast<KitStyle *>(QApplication::style()))
        QApplication::setStyle(new KitStyle);
    QApplication::setPalette(Palette::qtPalette(scheme));
    KitStyle::applyTheme(styleSheet(Palette::forScheme(scheme)));
}

QString ThemeApplier::styleSheet(const ThemePalette &colors)
{
    QColor dimmedLabel = colors.label;
    dimmedLabel.setAlphaF(colors.label.alphaF() * 0.55f);
    const QStringList values{
        Palette::css(colors.label),
        Palette::css(colors.secondaryLabel),
        Palette::css(colors.tertiaryLabel),
        Palette::css(colors.red),
        Palette::css(colors.groupedBackground),
        Palette::css(colors.separator),
        Palette::css(colors.controlBackground),
        Palette::css(colors.windowBackground),
        Palette::css(dimmedLabel),
    };
    return L10n::substitute(uR"css(
*[kitText="secondary"] { color: %2; }
*[kitText="tertiary"] { color: %3; }
*[kitText="error"] { color: %4; }
*[kitText="inverted"] { color: %8; }
QWidget[kitRole="grouped"] { background: %5; }
QFrame[kitRole="card"] { background: %5; border: none; border-radius: 8px; }
QFrame[kitRole="divider"] { background: %6; border: none; }
QPushButton[kitRole="feedback"] {
    color: %1; background: %7; border: 1px solid %6; border-radius: 8px;
    padding: 0px 12px; min-height: 30px; max-height: 30px;
}
QPushButton[kitRole="feedback"]:disabled { color: %9; }
QPushButton[kitRole="inverted"] {
    color: %8; background: %1; border: none; border-radius: 8px;
    padding: 0px 14px; min-height: 36px; max-height: 36px;
}
QFrame[kitRole="outlined"], QToolButton[kitRole="outlined"] {
    background: %7; border: 1px solid %6; border-radius: 8px;
}
QToolButton[kitRole="outlined"][popupMode="2"] { color: %1; padding: 0px 28px 0px 14px; }
QToolButton[kitRole="outlined"][popupMode="2"]:disabled { color: %9; }
QToolButton[kitRole="menu"] { color: %1; background: transparent; border: none; padding: 2px 16px 2px 2px; }
QToolButton[kitRole="menu"]:disabled { color: %9; }
QToolButton[kitRole="outlined"]::menu-indicator {
    subcontrol-origin: padding; subcontrol-position: center right; right: 10px;
}
QToolButton[kitRole="menu"]::menu-indicator { subcontrol-origin: padding; subcontrol-position: center right; }
QPushButton[kitRole="outlined"] {
    color: %1; background: %7; border: 1px solid %6; border-radius: 8px;
    padding: 0px 14px; min-height: 34px; max-height: 34px;
}
QPushButton[kitRole="outlined"]:disabled { color: %9; }
QPushButton[kitRole="compactOutlined"] {
    color: %1; background: %7; border: 1px solid %6; border-radius: 8px;
    padding: 0px 11px; min-height: 26px; max-height: 26px;
}
QPushButton[kitRole="compactOutlined"]:disabled { color: %9; }
QPushButton[kitRole="outlinedPanel"] { background: %7; border: 1px solid %6; border-radius: 8px; padding: 0px; }
QPushButton[kitRole="tab"] {
    color: %2; background: transparent; border: none; border-radius: 7px;
    padding: 0px 9px; min-height: 30px; max-height: 30px;
}
QPushButton[kitRole="tab"]:checked { color: %8; background: %1; }
QToolButton[kitRole="plain"], QPushButton[kitRole="plain"], QLineEdit[kitRole="plain"] {
    border: none; background: transparent;
}
QToolButton[kitRole="plain"]::menu-indicator { image: none; width: 0px; }
QToolButton[kitRole="circle"] { border: none; border-radius: 16px; background: %1; }
QFrame[kitRole="field"] { background: %7; border: 1px solid %6; border-radius: 8px; }
QWidget[kitRole="segments"] { background: %6; border-radius: 7px; }
QPushButton[kitRole="segment"] {
    color: %1; background: transparent; border: none; border-radius: 6px; padding: 3px 6px;
}
QPushButton[kitRole="segment"]:checked { background: %7; }
QAbstractScrollArea[kitRole="grouped"] QScrollBar:vertical { width: 10px; background: transparent; margin: 2px; }
QAbstractScrollArea[kitRole="grouped"] QScrollBar::handle:vertical {
    background: %3; border-radius: 3px; min-height: 32px;
}
QAbstractScrollArea[kitRole="grouped"] QScrollBar::add-line, QAbstractScrollArea[kitRole="grouped"] QScrollBar::sub-line {
    height: 0px;
}
QAbstractScrollArea[kitRole="grouped"] QScrollBar::add-page, QAbstractScrollArea[kitRole="grouped"] QScrollBar::sub-page {
    background: transparent;
}
QLineEdit[kitRole="inline"], QPlainTextEdit[kitRole="inline"] { color: %1; background: transparent; border: none; }
QPlainTextEdit[kitRole="textArea"] { color: %1; background: %5; border: none; border-radius: 8px; }
)css"_s,
                            values);
}

} // namespace devnook
