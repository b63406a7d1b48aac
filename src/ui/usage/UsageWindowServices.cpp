#include "UsageWindowServices.h"

#include "ui/kit/AppIcon.h"

#include <QCoroSignal>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace devnook {

QCoro::Task<std::optional<QString>> DialogUsageExportFileChooser::chooseFile(QWidget *window,
                                                                             QString proposedName)
{
    QPointer<QFileDialog> dialog = new QFileDialog(window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->selectFile(proposedName);
    dialog->open();
    const int result = co_await qCoro(dialog.data(), &QDialog::finished);
    if (!dialog || result != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        co_return std::nullopt;
    co_return dialog->selectedFiles().constFirst();
}

QCoro::Task<int> WindowModalUsageAlertAsker::ask(QWidget *window, AlertRequest request)
{
    QPointer<QMessageBox> box = new QMessageBox(window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIconPixmap(AppIcon::alertPixmap());
    box->setText(request.message);
    box->setInformativeText(request.informativeText);
    QList<QPushButton *> buttons;
    for (const QString &title : std::as_const(request.buttons))
        buttons.append(box->addButton(title, QMessageBox::ActionRole));
    if (request.harmlessButton >= 0 && request.harmlessButton < buttons.size()) {
        box->setDefaultButton(buttons[request.harmlessButton]);
        box->setEscapeButton(buttons[request.harmlessButton]);
    }
    box->open();
    co_await qCoro(box.data(), &QDialog::finished);
    const int chosen =
        box ? static_cast<int>(buttons.indexOf(qobject_cast<QPushButton *>(box->clickedButton()))) : -1;
    co_return chosen < 0 ? request.harmlessButton : chosen;
}

} // namespace devnook
