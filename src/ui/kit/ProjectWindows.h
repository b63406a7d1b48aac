#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QUuid>
#include <QWidget>
#include <functional>

class QScreen;

namespace devnook {

// The floating windows of one kind that a controller keeps, at most one per
// project: built off screen, centred on the primary screen when first shown,
// freed when the user closes them and then forgotten, so the next request
// builds a new one.
class ProjectWindows final : public QObject {
    Q_OBJECT

public:
    // New windows get the content size unless opened with their own, and
    // cannot be made smaller than the minimum; objectName names each window.
    ProjectWindows(QSize contentSize, QSize minimumSize, QString objectName, QObject *parent = nullptr);
    // Closes and frees the windows still open.
    ~ProjectWindows() override;

    // The project's open window, or null.
    QWidget *find(const QUuid &projectID) const;
    // Brings the project's open window to the front where it is and returns
    // it; null when none is open.
    QWidget *raise(const QUuid &projectID) const;
    // Builds the project's window with the title and the content that
    // makeContent puts into it, keeps it, centres it and brings it to the
    // front; an empty contentSize gives the kind's own.
    QWidget *open(const QUuid &projectID, const QString &title,
                  const std::function<QWidget *(QWidget *window)> &makeContent, QSize contentSize = {});

    // The primary screen, or the first one when none is primary; null without any.
    static QScreen *screen();

private:
    void centre(QWidget *window, QSize contentSize) const;

    QSize m_contentSize;
    QSize m_minimumSize;
    QString m_objectName;
    QHash<QUuid, QPointer<QWidget>> m_windows;
};

} // namespace devnook
