#include "UsageWindowServices.h"

#include "ui/kit/DialogAnswer.h"

#include <QMessageBox>

namespace devnook {

QCoro::Task<std::optional<QString>> DialogUsageExportFileChooser::chooseFile(QWidget *window,
                                                                             QString proposedName)
{
    return m_files.chooseSaveFile(window, std::move(proposedName));
}

QCoro::Task<int> WindowModalUsageAlertAsker::ask(QWidget *window, AlertRequest request)
{
    QMessageBox *box = AlertBox::make(window, request);
    co_return co_await DialogAnswer::ask<int>(
        box, request.harmlessButton, [&request](QDialog &done) { return AlertBox::answer(done, request); });
}

} // namespace devnook
