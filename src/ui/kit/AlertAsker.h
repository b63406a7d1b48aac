#pragma once

#include <QString>
#include <QStringList>

namespace devnook {

// One modal question: texts already localised, buttons in the order shown.
struct AlertRequest {
    QString message;
    QString informativeText;
    QStringList buttons;
    // The harmless choice: taken by Return and by Escape or closing.
    int harmlessButton = 0;
    bool isWarning = false;
};

// Asks the user a modal question. Tests answer through a scripted asker.
class AlertAsker {
public:
    virtual ~AlertAsker() = default;

    // The index of the chosen button; closing the alert counts as the
    // harmless button.
    virtual int ask(const AlertRequest &request) = 0;
};

// Asks with a QMessageBox carrying the application's icon.
class MessageBoxAlertAsker final : public AlertAsker {
public:
    int ask(const AlertRequest &request) override;
};

} // namespace devnook
