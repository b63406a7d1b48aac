#pragma once

#include <QString>
#include <QStringList>

class QDialog;
class QMessageBox;
class QWidget;

namespace devnook {

// One modal question: texts already localised, buttons in the order shown.
struct AlertRequest {
    QString message;
    QString informativeText;
    QStringList buttons;
    // The harmless choice: taken by Return and by Escape or closing.
    int harmlessButton = 0;
    // Marks the application's icon with the warning sign.
    bool isWarning = false;
    // The window the question is about, which it opens over. Without one, or
    // while it is hidden, the question opens over the active window, else
    // above every window.
    QWidget *window = nullptr;
};

// Asks the user a modal question. Tests answer through a scripted asker.
class AlertAsker {
public:
    virtual ~AlertAsker() = default;

    // The index of the chosen button; closing the alert counts as the
    // harmless button.
    virtual int ask(const AlertRequest &request) = 0;
};

// Asks with an application-modal QMessageBox carrying the application's icon,
// raised and active over the request's window.
class MessageBoxAlertAsker final : public AlertAsker {
public:
    int ask(const AlertRequest &request) override;
};

namespace AlertBox {

// The message box of the request over the window, not yet shown: the
// application's icon (with the warning sign for a warning), the buttons in
// order, Return and Escape on the harmless one.
QMessageBox *make(QWidget *window, const AlertRequest &request);

// The index of the button that answered the box; the harmless button when
// none did.
int answer(const QDialog &box, const AlertRequest &request);

// The window a question opens over: the given one while it is visible, else
// the active window; null when there is neither.
QWidget *ownerWindow(QWidget *window);

} // namespace AlertBox

} // namespace devnook
