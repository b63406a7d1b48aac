#pragma once

#include "KeyDecision.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace devnook {

// Watches every key press of the application: performs the text-editing
// keys itself and hands every other command on.
class KeyMonitor final : public QObject {
    Q_OBJECT

public:
    // Installs itself on the application; the panel tells Escape's window.
    explicit KeyMonitor(QWidget *panel, QObject *parent = nullptr);
    ~KeyMonitor() override;

Q_SIGNALS:
    // Emitted for a command other than text editing; the key is swallowed.
    void commandRequested(KeyCommand command);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_panel;
};

} // namespace devnook
