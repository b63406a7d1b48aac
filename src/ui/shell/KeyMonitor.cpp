#include "KeyMonitor.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace devnook {

namespace {

// Runs an editing command on a line edit or a text view.
template <typename Editor> bool perform(Editor *editor, KeyCommand command)
{
    if (!editor)
        return false;
    switch (command) {
    case KeyCommand::cut:
        editor->cut();
        return true;
    case KeyCommand::copy:
        editor->copy();
        return true;
    case KeyCommand::paste:
        editor->paste();
        return true;
    case KeyCommand::selectAll:
        editor->selectAll();
        return true;
    default:
        return false;
    }
}

bool performEditing(QWidget *focus, KeyCommand command)
{
    return perform(qobject_cast<QLineEdit *>(focus), command) ||
           perform(qobject_cast<QTextEdit *>(focus), command) ||
           perform(qobject_cast<QPlainTextEdit *>(focus), command);
}

bool isTextEditor(const QWidget *widget)
{
    return qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QTextEdit *>(widget) ||
           qobject_cast<const QPlainTextEdit *>(widget);
}

} // namespace

KeyMonitor::KeyMonitor(QWidget *panel, QObject *parent) : QObject(parent), m_panel(panel)
{
    qApp->installEventFilter(this);
}

KeyMonitor::~KeyMonitor()
{
    qApp->removeEventFilter(this);
}

bool KeyMonitor::eventFilter(QObject *watched, QEvent *event)
{
    // Qt delivers a key to the window first and then to the focus widget;
    // deciding once, at the widget, keeps each press to one command.
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    QWidget *focus = QApplication::focusWidget();
    const KeyCommand command = decideKey({
        .key = key->key(),
        .modifiers = key->modifiers(),
        .focusIsTextEditor = isTextEditor(focus),
        // The window the key arrived in is the key window, whatever Qt's
        // bookkeeping of the active window says after a global grab.
        .panelIsActiveWindow = m_panel && static_cast<QWidget *>(watched)->window() == m_panel,
        .modalDialogIsOpen = QApplication::activeModalWidget() != nullptr,
    });
    if (command == KeyCommand::none)
        return false;
    if (performEditing(focus, command))
        return true;
    Q_EMIT commandRequested(command);
    return true;
}

} // namespace devnook
