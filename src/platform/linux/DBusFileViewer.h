#pragma once

#include "core/environment/FileViewer.h"

namespace devnook {

class UrlOpener;

// Selects items through the desktop's org.freedesktop.FileManager1 service on
// the session bus (a file manager the bus can start counts), and opens the
// item through the URL opener when no file manager answers or it refuses.
class DBusFileViewer final : public FileViewer {
public:
    // Uses the session bus, or the named connection that tests set up.
    explicit DBusFileViewer(UrlOpener &fallback, QString connectionName = {});

    QCoro::Task<Result<void>> reveal(QString path) override;

private:
    UrlOpener &m_fallback;
    QString m_connectionName;
};

} // namespace devnook
