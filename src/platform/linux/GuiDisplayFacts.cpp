#include "GuiDisplayFacts.h"

#include "core/projects/AppSettings.h"

#include <QGuiApplication>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

bool hasDisplay()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) &&
           QGuiApplication::platformName() != u"offscreen" && QGuiApplication::platformName() != u"minimal";
}

} // namespace

std::optional<DisplayFacts::Screen> GuiDisplayFacts::mainScreen() const
{
    const QScreen *screen = hasDisplay() ? QGuiApplication::primaryScreen() : nullptr;
    if (!screen)
        return std::nullopt;
    return Screen{double(screen->geometry().height()), double(screen->geometry().width()),
                  screen->devicePixelRatio()};
}

std::optional<Qt::LayoutDirection> GuiDisplayFacts::layoutDirection() const
{
    if (!hasDisplay())
        return std::nullopt;
    return QGuiApplication::layoutDirection();
}

std::optional<DisplayFacts::ColorScheme> GuiDisplayFacts::colorScheme() const
{
    return m_settings.resolvedColorScheme() == devnook::ColorScheme::dark ? ColorScheme::dark
                                                                          : ColorScheme::light;
}

} // namespace devnook
