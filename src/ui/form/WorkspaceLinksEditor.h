#pragma once

#include <QHash>
#include <QLineEdit>
#include <QUuid>
#include <QWidget>
#include <functional>

namespace devnook {

class FormGroup;
class ProjectFormController;
class Switch;
struct DevProject;

// A link's URL field and its open-with-workspace switch. Unfocused, the field
// shows the URL without its scheme and "www."; the switch is disabled while
// the URL is blank.
class LinkURLAndToggle final : public QWidget {
    Q_OBJECT

public:
    struct Binding {
        std::function<QString(const DevProject &)> url;
        std::function<void(DevProject &, const QString &)> setURL;
        std::function<bool(const DevProject &)> opens;
        std::function<void(DevProject &, bool)> setOpens;
    };

    LinkURLAndToggle(ProjectFormController &form, Binding binding, QWidget *parent = nullptr);

    QLineEdit *field() const { return m_field; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refresh();

    ProjectFormController &m_form;
    Binding m_binding;
    QLineEdit *m_field;
    Switch *m_switch;
};

// The draft's workspace links: one row per kind, then the custom links, then
// a button that adds a custom link.
class WorkspaceLinksEditor final : public QWidget {
    Q_OBJECT

public:
    explicit WorkspaceLinksEditor(ProjectFormController &form, QWidget *parent = nullptr);

private:
    void syncCustomRows();
    QWidget *makeCustomRow(const QUuid &id);

    ProjectFormController &m_form;
    FormGroup *m_group;
    // Every kind's title whole; custom titles wrap in the same column.
    int m_titleWidth = 0;
    QList<QUuid> m_customIDs;
    QHash<QUuid, QWidget *> m_customRows;
};

} // namespace devnook
