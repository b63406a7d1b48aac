#include "UsageWindowServices.h"

#include <QCoroSignal>
#include <QFileDialog>
#include <QPointer>

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

} // namespace devnook
