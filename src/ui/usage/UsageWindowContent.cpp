#include "UsageWindowContent.h"

#include <QLayout>
#include <QWidget>

namespace devnook::UsageWindowContent {

void replace(QWidget *window, QWidget *view)
{
    QLayout *layout = window->layout();
    // The window's layout holds exactly its view; the tooltip layer is a child
    // outside the layout.
    if (QLayoutItem *item = layout->takeAt(0)) {
        if (QWidget *old = item->widget()) {
            old->hide();
            old->deleteLater();
        }
        delete item;
    }
    view->setParent(window);
    layout->addWidget(view);
}

} // namespace devnook::UsageWindowContent
