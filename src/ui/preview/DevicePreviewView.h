#pragma once

#include "core/preview/DevicePreviewViewModel.h"

#include <QWidget>

class QLabel;
class QToolButton;
class QVBoxLayout;

namespace devnook {

class Switch;

// The content of a device-preview window for one project: a header with the
// title, the time of the last check, the preview's switch and the re-check
// button; below it, scrolling, the inactive, loading or no-URL state or one
// section per target, then the notes about the network and about security.
// It shows its model and hands the controls' actions to it.
class DevicePreviewView final : public QWidget {
    Q_OBJECT

public:
    // Starts at once: an active preview is activated again and checked.
    DevicePreviewView(DevProject project, DevicePreviewViewServices services, QWidget *parent = nullptr);

    DevicePreviewViewModel &model() const { return *m_model; }

    // The block of an empty state: a title over a wrapping message on the
    // grouped background; both texts already localised.
    static QWidget *makeEmptyState(const QString &title, const QString &message, QWidget *parent);

protected:
    void changeEvent(QEvent *event) override;

private:
    QWidget *makeHeader();
    void updateRecheckSymbol();
    QWidget *makeNote(const QString &symbol, const QString &textKey, QWidget *parent);
    void showHeader();
    void showContent();

    DevicePreviewViewModel *m_model = nullptr;
    QLabel *m_lastChecked = nullptr;
    Switch *m_switch = nullptr;
    QToolButton *m_recheck = nullptr;
    QVBoxLayout *m_column = nullptr;
    QWidget *m_content = nullptr;
};

} // namespace devnook
