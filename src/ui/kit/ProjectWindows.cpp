#include "ProjectWindows.h"

#include "Tooltip.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace devnook {

namespace {

// Far off every screen, so nothing shows before the window is centred.
constexpr QPoint kOffScreen{-10000, -10000};

void bringToFront(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

ProjectWindows::ProjectWindows(QSize contentSize, QSize minimumSize, QString objectName, QObject *parent)
    : QObject(parent), m_contentSize(contentSize), m_minimumSize(minimumSize),
      m_objectName(std::move(objectName))
{}

ProjectWindows::~ProjectWindows()
{
    const QList<QPointer<QWidget>> windows = m_windows.values();
    m_windows.clear();
    for (const QPointer<QWidget> &window : windows)
        delete window.data();
}

QWidget *ProjectWindows::find(const QUuid &projectID) const
{
    return m_windows.value(projectID).data();
}

QWidget *ProjectWindows::raise(const QUuid &projectID) const
{
    QWidget *window = find(projectID);
    if (window)
        bringToFront(window);
    return window;
}

QWidget *ProjectWindows::open(const QUuid &projectID, const QString &title,
                              const std::function<QWidget *(QWidget *window)> &makeContent, QSize contentSize)
{
    auto *window = new QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                                            Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint);
    window->setObjectName(m_objectName);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(title);
    window->setMinimumSize(m_minimumSize);
    window->move(kOffScreen);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(makeContent(window));
    new TooltipRoot(window);

    m_windows.insert(projectID, window);
    // Only the window that went leaves the map: its entry is null by now,
    // while a newer window of the same project would not be.
    connect(window, &QObject::destroyed, this, [this, projectID] {
        if (m_windows.value(projectID).isNull())
            m_windows.remove(projectID);
    });
    // Shown while still off screen, so the centring counts the frame that the
    // window manager adds.
    bringToFront(window);
    centre(window, contentSize.isEmpty() ? m_contentSize : contentSize);
    return window;
}

QScreen *ProjectWindows::screen()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen && !QGuiApplication::screens().isEmpty())
        screen = QGuiApplication::screens().constFirst();
    return screen;
}

void ProjectWindows::centre(QWidget *window, QSize contentSize) const
{
    window->resize(contentSize);
    QScreen *primary = screen();
    // Without a screen the window stays where it was built.
    if (!primary)
        return;
    QRect frame(QPoint(), window->frameGeometry().size());
    frame.moveCenter(primary->geometry().center());
    window->move(frame.topLeft());
}

} // namespace devnook
