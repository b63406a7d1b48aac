#pragma once

#include "core/environment/EnvProfileService.h"

#include <QWidget>
#include <optional>

class QLabel;

namespace devnook {

// One .env file of the .env window: its name, with a badge when it is the
// project's base file, its profile, its size and when it was last changed.
class EnvFileRow final : public QWidget {
    Q_OBJECT

public:
    EnvFileRow(const ProjectEnvFileInfo &file, bool isPrimary, QWidget *parent);

    // The local date and time in the locale's short forms, or
    // "env_detail_unknown_modified_date" without one.
    static QString formatModifiedDate(const std::optional<Timestamp> &date);
    // The size in the locale's decimal units ("12 bytes", "1.5 kB").
    static QString formatSize(qint64 sizeInBytes);

protected:
    void changeEvent(QEvent *event) override;

private:
    void updateIcon();

    QLabel *m_icon = nullptr;
};

} // namespace devnook
