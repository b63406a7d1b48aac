#include "Kit.h"

#include <QFontDatabase>
#include <QFrame>
#include <QWidget>

namespace devnook::Kit {

void setRole(QWidget *widget, const char *role)
{
    widget->setProperty("kitRole", QString::fromLatin1(role));
}

void setTextRole(QWidget *widget, const char *role)
{
    widget->setProperty("kitText", QString::fromLatin1(role));
}

QFont font(int pixelSize, QFont::Weight weight)
{
    QFont result = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    result.setPixelSize(pixelSize);
    result.setWeight(weight);
    return result;
}

QFont monospacedFont(int pixelSize)
{
    QFont result = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    result.setPixelSize(pixelSize);
    return result;
}

QWidget *makeDivider(QWidget *parent)
{
    auto *line = new QFrame(parent);
    setRole(line, Role::kDivider);
    line->setFixedHeight(1);
    return line;
}

} // namespace devnook::Kit
