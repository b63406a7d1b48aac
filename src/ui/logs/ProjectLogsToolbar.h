#pragma once

#include "core/logs/LogLineFilter.h"

#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QToolButton;

namespace devnook {

// The logs window's toolbar row: the search field with its clear button, the
// kind picker and the follow-the-tail switch. It keeps no state of its own
// beyond what its controls show.
class ProjectLogsToolbar final : public QWidget {
    Q_OBJECT

public:
    explicit ProjectLogsToolbar(QWidget *parent);

    QString searchText() const;
    ProcessLogFilter kind() const;
    // Shows the switch's symbol, colour and tooltip for the state.
    void showFollowsTail(bool follows);

Q_SIGNALS:
    // Emitted when the search text or the kind changed.
    void filterEdited();
    // Emitted when the user clicks the follow switch.
    void followClicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    QWidget *makeSearchField();
    QWidget *makeKindPicker();
    void updateIcons();

    QLabel *m_searchIcon = nullptr;
    QLineEdit *m_search = nullptr;
    QToolButton *m_clearSearch = nullptr;
    QButtonGroup *m_kinds = nullptr;
    QToolButton *m_follow = nullptr;
    bool m_followsTail = true;
};

} // namespace devnook
