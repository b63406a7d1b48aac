#pragma once

#include <QCoroTask>
#include <QString>
#include <optional>

class QFileDialog;
class QWidget;

namespace devnook {

// File dialogs over a window, raised and active. Each opens next to what was
// last chosen through this chooser, else in the user's home, never in the
// folder the app happened to be started from.
class FileChooser {
public:
    // An existing folder, asked application-modally; nothing when cancelled.
    std::optional<QString> chooseFolder(QWidget *window, const QString &prompt);

    // Where to save, asked window-modally with the proposed file name;
    // nothing when cancelled or when the window went away.
    QCoro::Task<std::optional<QString>> chooseSaveFile(QWidget *window, QString proposedName);

    // The folder the next dialog opens in.
    QString startFolder() const;

private:
    QFileDialog *makeDialog(QWidget *window) const;
    void remember(const std::optional<QString> &chosen);

    QString m_lastFolder;
};

} // namespace devnook
