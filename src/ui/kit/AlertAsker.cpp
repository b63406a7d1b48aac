#include "AlertAsker.h"

#include "AppIcon.h"
#include "DialogAnswer.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace devnook {

namespace {

// Each button remembers its place, since the box orders them by role.
constexpr char kButtonIndex[] = "alertButtonIndex";
constexpr int kDetailsWidth = 320;

} // namespace

int MessageBoxAlertAsker::ask(const AlertRequest &request)
{
    QMessageBox *box = AlertBox::make(AlertBox::ownerWindow(request.window), request);
    return DialogAnswer::askModally<int>(
        box, request.harmlessButton, [&request](QDialog &done) { return AlertBox::answer(done, request); });
}

namespace AlertBox {

QMessageBox *make(QWidget *window, const AlertRequest &request)
{
    auto *box = new QMessageBox(window);
    box->setIconPixmap(request.isWarning ? AppIcon::warningAlertPixmap() : AppIcon::alertPixmap());
    box->setText(request.message);
    // The details quote the user's names, notes and folders: never markup.
    // The box has no format setting for them, so their label gets one.
    box->setInformativeText(request.informativeText);
    for (QLabel *label : box->findChildren<QLabel *>()) {
        if (label->text() != request.informativeText)
            continue;
        label->setTextFormat(Qt::PlainText);
        // The box is only as wide as its title and buttons, which for a
        // short title wraps the details a few words a line.
        label->setMinimumWidth(kDetailsWidth);
    }
    for (int i = 0; i < request.buttons.size(); ++i) {
        QPushButton *button = box->addButton(request.buttons[i], QMessageBox::ActionRole);
        button->setProperty(kButtonIndex, i);
        if (i == request.harmlessButton) {
            box->setDefaultButton(button);
            box->setEscapeButton(button);
        }
    }
    return box;
}

int answer(const QDialog &box, const AlertRequest &request)
{
    const QAbstractButton *clicked = static_cast<const QMessageBox &>(box).clickedButton();
    const QVariant index = clicked ? clicked->property(kButtonIndex) : QVariant();
    return index.isValid() ? index.toInt() : request.harmlessButton;
}

QWidget *ownerWindow(QWidget *window)
{
    if (window && window->window()->isVisible())
        return window->window();
    return QApplication::activeWindow();
}

} // namespace AlertBox

} // namespace devnook
