#include "GuiApplicationActivity.h"

#include <QGuiApplication>

namespace devnook {

GuiApplicationActivity::GuiApplicationActivity(QObject *parent) : ApplicationActivity(parent)
{
    auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!application)
        return;
    m_isActive = QGuiApplication::applicationState() == Qt::ApplicationActive;
    connect(application, &QGuiApplication::applicationStateChanged, this,
            &GuiApplicationActivity::stateChanged);
}

void GuiApplicationActivity::stateChanged(Qt::ApplicationState state)
{
    // Inactive, hidden and suspended all mean the user works elsewhere; only
    // the moves between that and active matter.
    const bool isActive = state == Qt::ApplicationActive;
    if (isActive == m_isActive)
        return;
    m_isActive = isActive;
    if (isActive)
        Q_EMIT becameActive();
    else
        Q_EMIT resignedActive();
}

} // namespace devnook
