#pragma once

#include <QColor>
#include <QString>

class QWidget;

namespace devnook::UsageShares {

// A fraction as a percentage with one decimal and a point, whatever the
// locale ("25.6%").
QString percentText(double fraction);
// The 0xRRGGBB colour of a slice or row.
QColor color(quint32 colorHex);
// A filled circle of 8 in the colour.
QWidget *makeSwatch(quint32 colorHex, QWidget *parent);

} // namespace devnook::UsageShares
