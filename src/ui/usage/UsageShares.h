#pragma once

#include <QColor>
#include <QString>

class QLabel;
class QWidget;

namespace devnook::UsageShares {

// A fraction as a percentage with one decimal and a point, whatever the
// locale ("25.6%").
QString percentText(double fraction);
// The 0xRRGGBB colour of a slice or row.
QColor color(quint32 colorHex);
// A filled circle of 8, coloured by setSwatchColor.
QLabel *makeSwatch(QWidget *parent);
void setSwatchColor(QLabel *swatch, quint32 colorHex);

} // namespace devnook::UsageShares
