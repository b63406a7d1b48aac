#pragma once

#include <QWidget>

class QLabel;

namespace devnook {

// What the panel shows while the catalogue holds no project: a short
// explanation and one button that opens the form for a new project.
class EmptyProjectsView final : public QWidget {
    Q_OBJECT

public:
    explicit EmptyProjectsView(QWidget *parent = nullptr);

Q_SIGNALS:
    // Emitted once per press of the add button.
    void addRequested();

protected:
    void changeEvent(QEvent *event) override;

private:
    void updateSymbols();

    QLabel *m_icon = nullptr;
    QLabel *m_buttonIcon = nullptr;
};

} // namespace devnook
