#include "DevicePreviewWindowController.h"

#include "DevicePreviewView.h"
#include "core/foundation/L10n.h"
#include "core/preview/DevicePreviewService.h"
#include "core/store/ProjectStore.h"

#include <QLayout>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kBaseHeight = 400;
constexpr int kHeightPerTarget = 185;
constexpr int kMaximumHeight = 800;
constexpr int kScreenMargin = 80;

} // namespace

DevicePreviewWindowController::DevicePreviewWindowController(DevicePreviewWindowServices services,
                                                             QObject *parent)
    : QObject(parent), m_services(services),
      m_windows(QSize(kContentWidth, kBaseHeight), kMinimumSize, u"devicePreviewWindow"_s)
{}

QSize DevicePreviewWindowController::contentSize(qsizetype targetCount,
                                                 std::optional<int> availableScreenHeight)
{
    const int desired =
        kBaseHeight + kHeightPerTarget * static_cast<int>(std::max<qsizetype>(0, targetCount - 1));
    int cap = kMaximumHeight;
    if (availableScreenHeight)
        cap = std::min(cap, *availableScreenHeight - kScreenMargin);
    return {kContentWidth, std::min(desired, cap)};
}

QSize DevicePreviewWindowController::contentSize(const DevProject &project) const
{
    // Only the URLs the project names count, not those found at run time.
    const qsizetype targets = DevicePreviewService::targets(project, {}, {}).size();
    const QScreen *screen = ProjectWindows::screen();
    return contentSize(targets, screen ? std::optional(screen->availableGeometry().height()) : std::nullopt);
}

void DevicePreviewWindowController::show(const DevProject &project)
{
    if (QWidget *window = m_windows.find(project.id)) {
        refreshContent(window, project);
        m_windows.raise(project.id);
        return;
    }
    QWidget *window = m_windows.open(
        project.id, L10n::text(u"device_preview"_s) + u" - "_s + project.name,
        [&](QWidget *window) { return makeView(project, window); }, contentSize(project));
    // A deleted project's window goes with it, as its switch would publish
    // the project again.
    connect(&m_services.store, &ProjectStore::projectsChanged, window, [this, window, id = project.id] {
        if (m_services.store.contains(id))
            return;
        window->setEnabled(false);
        window->close();
    });
}

void DevicePreviewWindowController::refreshIfOpen(const DevProject &project)
{
    if (QWidget *window = m_windows.find(project.id))
        refreshContent(window, project);
}

void DevicePreviewWindowController::refreshContent(QWidget *window, const DevProject &project)
{
    // The title stays; the view starts afresh from the project as given.
    delete window->findChild<DevicePreviewView *>();
    window->layout()->addWidget(makeView(project, window));
    window->resize(contentSize(project));
}

QWidget *DevicePreviewWindowController::makeView(const DevProject &project, QWidget *window)
{
    ProjectStore &store = m_services.store;
    DevicePreviewViewServices services{
        m_services.proxies,
        m_services.probe,
        m_services.clipboard,
        m_services.urls,
        [&store, project] { return store.effectiveLocalURLOverrides(project); },
        [&store, id = project.id] { return store.contains(id); }};
    return new DevicePreviewView(project, std::move(services), window);
}

} // namespace devnook
