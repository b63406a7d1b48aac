#pragma once

#include <QProxyStyle>

namespace devnook {

// The application's style: Fusion, with the kit's roles of the panel painted
// directly. Every other window takes the theme's style sheet when it is first
// styled; the panel, open on every launch, is spared the style sheet's cost
// of styling each widget.
class KitStyle final : public QProxyStyle {
    Q_OBJECT

public:
    KitStyle();

    // The panel's window: its widgets are painted here, not by the sheet.
    static void markPainted(QWidget *window);
    // A part of a painted window that takes the style sheet after all.
    static void useThemeSheet(QWidget *root);
    // Puts the sheet and the role colours of the current palette on every
    // widget that has them; for a theme change.
    static void applyTheme(const QString &styleSheet);

    using QProxyStyle::polish;
    void polish(QWidget *widget) override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl subControl,
                         const QWidget *widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &contentsSize,
                           const QWidget *widget = nullptr) const override;
};

} // namespace devnook
