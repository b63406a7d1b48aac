#pragma once

#include "core/foundation/L10n.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

namespace devnook::test {

// The dialog of that type on screen, once it shows; null when none does.
template <typename Dialog> Dialog *shownDialog(int timeoutMs = 5000)
{
    Dialog *shown = nullptr;
    (void)QTest::qWaitFor(
        [&shown] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *dialog = qobject_cast<Dialog *>(widget); dialog && dialog->isVisible())
                    shown = dialog;
            }
            return shown != nullptr;
        },
        timeoutMs);
    return shown;
}

// Answers the next dialog of that type once it shows, as a user would, while
// the code under test waits for it in its own event loop. A dialog that
// opens after this one is answered by a call made from inside `answer`.
template <typename Dialog> void answerWhenShown(QObject *context, std::function<void(Dialog &)> answer)
{
    QTimer::singleShot(0, context, [answer] {
        Dialog *dialog = shownDialog<Dialog>();
        QVERIFY2(dialog, Dialog::staticMetaObject.className());
        answer(*dialog);
    });
}

// Types the path into the dialog's name field, as a user would, and accepts.
inline void choosePath(QFileDialog &dialog, const QString &path)
{
    auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    name->setText(path);
    QMetaObject::invokeMethod(&dialog, "accept");
}

// Clicks the message box's button titled with the text of that key.
inline void clickButton(QMessageBox &box, const QString &key)
{
    for (QPushButton *button : box.findChildren<QPushButton *>()) {
        if (button->text() == L10n::text(key)) {
            button->click();
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no button ") + key));
}

} // namespace devnook::test
