#include "Kit.h"

#include <QAbstractScrollArea>
#include <QFontDatabase>
#include <QFrame>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>

namespace devnook::Kit {

void setRole(QWidget *widget, const char *role)
{
    widget->setProperty("kitRole", QString::fromLatin1(role));
    // A scroll area styles its scroll bars while it is made, before it has a
    // role; style them again for the rules that select them by their area's.
    if (auto *area = qobject_cast<QAbstractScrollArea *>(widget))
        for (QScrollBar *bar : {area->verticalScrollBar(), area->horizontalScrollBar()}) {
            bar->style()->unpolish(bar);
            bar->style()->polish(bar);
        }
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

QFrame *makeRowList(const QList<QWidget *> &rows, QWidget *parent)
{
    auto *box = new QFrame(parent);
    setRole(box, Role::kCard);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(16, 8, 16, 8);
    layout->setSpacing(0);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (i > 0)
            layout->addWidget(makeDivider(box));
        layout->addWidget(rows[i]);
    }
    return box;
}

} // namespace devnook::Kit
