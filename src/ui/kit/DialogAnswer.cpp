#include "DialogAnswer.h"

#include <QEventLoop>

namespace devnook {

DialogAnswer::DialogAnswer(QDialog *dialog, Qt::WindowModality modality, std::function<void(QDialog &)> read)
    : m_dialog(dialog), m_read(std::move(read))
{
    m_dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    connect(m_dialog, &QDialog::finished, this, [this] {
        m_read(*m_dialog);
        m_dialog->deleteLater();
        Q_EMIT ended();
    });
    connect(m_dialog, &QObject::destroyed, this, &DialogAnswer::ended);
    // A window-modal dialog without a window would block nothing; it goes
    // above every window instead, so it cannot open under the app's own.
    if (!m_dialog->parentWidget())
        m_dialog->setWindowFlag(Qt::WindowStaysOnTopHint);
    m_dialog->setWindowModality(modality);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void DialogAnswer::waitModally()
{
    QEventLoop loop;
    connect(this, &DialogAnswer::ended, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::DialogExec);
}

} // namespace devnook
