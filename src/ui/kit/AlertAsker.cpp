#include "AlertAsker.h"

#include "AppIcon.h"

#include <QMessageBox>
#include <QPushButton>

namespace devnook {

int MessageBoxAlertAsker::ask(const AlertRequest &request)
{
    QMessageBox box;
    box.setIconPixmap(AppIcon::alertPixmap());
    box.setText(request.message);
    box.setInformativeText(request.informativeText);
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
