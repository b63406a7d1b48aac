#include "FileChooser.h"

#include "DialogAnswer.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace devnook {

namespace {

std::optional<QString> chosenPath(QDialog &done)
{
    const QStringList chosen = static_cast<QFileDialog &>(done).selectedFiles();
    if (done.result() != QDialog::Accepted || chosen.isEmpty())
        return std::nullopt;
    return chosen.constFirst();
}

} // namespace

std::optional<QString> FileChooser::chooseFolder(QWidget *window, const QString &prompt)
{
    QFileDialog *dialog = makeDialog(window);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setLabelText(QFileDialog::Accept, prompt);
    const std::optional<QString> folder =
        DialogAnswer::askModally<std::optional<QString>>(dialog, std::nullopt, chosenPath);
    remember(folder);
    return folder;
}

QCoro::Task<std::optional<QString>> FileChooser::chooseSaveFile(QWidget *window, QString proposedName)
{
    QFileDialog *dialog = makeDialog(window);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->selectFile(proposedName);
    const std::optional<QString> file =
        co_await DialogAnswer::ask<std::optional<QString>>(dialog, std::nullopt, chosenPath);
    remember(file);
    co_return file;
}

QString FileChooser::startFolder() const
{
    return !m_lastFolder.isEmpty() && QFileInfo(m_lastFolder).isDir() ? m_lastFolder : QDir::homePath();
}

QFileDialog *FileChooser::makeDialog(QWidget *window) const
{
    auto *dialog = new QFileDialog(window);
    dialog->setDirectory(startFolder());
    return dialog;
}

// The folder that holds the choice: a saved file's folder, or a chosen
// folder's parent, since projects tend to sit side by side.
void FileChooser::remember(const std::optional<QString> &chosen)
{
    if (chosen)
        m_lastFolder = QFileInfo(*chosen).absolutePath();
}

} // namespace devnook
