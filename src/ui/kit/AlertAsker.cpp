#include "AlertAsker.h"

#include "AppIcon.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace devnook {

int MessageBoxAlertAsker::ask(const AlertRequest &request)
{
    QMessageBox box;
    box.setIconPixmap(AppIcon::alertPixmap());
    box.setText(request.message);
    // The details quote the user's names, notes and folders: never markup.
    // The box has no format setting for them, so their label gets one.
    box.setInformativeText(request.informativeText);
    for (QLabel *label : box.findChildren<QLabel *>()) {
        if (label->text() == request.informativeText)
            label->setTextFormat(Qt::PlainText);
    }
    QList<QPushButton *> buttons;
    for (const QString &title : request.buttons)
        buttons.append(box.addButton(title, QMessageBox::ActionRole));
    if (request.harmlessButton >= 0 && request.harmlessButton < buttons.size()) {
        box.setDefaultButton(buttons[request.harmlessButton]);
        box.setEscapeButton(buttons[request.harmlessButton]);
    }
    box.exec();
    const int chosen = static_cast<int>(buttons.indexOf(qobject_cast<QPushButton *>(box.clickedButton())));
    return chosen < 0 ? request.harmlessButton : chosen;
}

} // namespace devnook
