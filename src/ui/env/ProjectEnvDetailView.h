#pragma once

#include "core/environment/EnvProfileService.h"

#include <QWidget>
#include <optional>

class QVBoxLayout;

namespace devnook {

// The content of a project's .env window: a header with the refresh button,
// then the profile summary and the list of files, or a message when the
// folder holds none, and a note that the window only reads.
class ProjectEnvDetailView final : public QWidget {
    Q_OBJECT

public:
    ProjectEnvDetailView(const QString &projectName, QWidget *parent);

    // Shows the detail, or the empty state without one.
    void setDetail(const std::optional<ProjectEnvDetail> &detail);

Q_SIGNALS:
    // Emitted when the user clicks refresh.
    void refreshRequested();

private:
    QWidget *makeHeader(const QString &projectName);
    QWidget *makeSummary(const ProjectEnvDetail &detail, QWidget *parent);
    QWidget *makeFilesList(const ProjectEnvDetail &detail, QWidget *parent);

    QVBoxLayout *m_content = nullptr;
    QWidget *m_shown = nullptr;
};

} // namespace devnook
