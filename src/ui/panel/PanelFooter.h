#pragma once

#include <QVariantAnimation>
#include <QWidget>

class QToolButton;

namespace devnook {

// The bottom band of the list: refresh on the left; the usage overview and
// the gear menu with settings, help and quit on the right.
class PanelFooter final : public QWidget {
    Q_OBJECT

public:
    explicit PanelFooter(QWidget *parent = nullptr);

    // Spins the refresh arrow and disables the button while refreshing; the
    // button is also disabled while there is no project.
    void setRefreshing(bool refreshing);
    void setHasProjects(bool hasProjects);

Q_SIGNALS:
    void refreshRequested();
    void usageOverviewRequested();
    void settingsRequested();
    void helpRequested();
    void quitRequested();

protected:
    void changeEvent(QEvent *event) override;

private:
    void updateSymbols();
    void updateRefreshButton();

    QToolButton *m_refresh = nullptr;
    QToolButton *m_usage = nullptr;
    QToolButton *m_gear = nullptr;
    QVariantAnimation m_spin;
    bool m_isRefreshing = false;
    bool m_hasProjects = false;
};

} // namespace devnook
