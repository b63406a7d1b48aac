#include "AppTheme.h"

#include "core/foundation/L10n.h"

using namespace Qt::StringLiterals;

namespace devnook::AppThemes {

const QList<AppTheme> &all()
{
    static const QList<AppTheme> themes{AppTheme::system, AppTheme::light, AppTheme::dark};
    return themes;
}

QString rawValue(AppTheme theme)
{
    switch (theme) {
    case AppTheme::system:
        return u"system"_s;
    case AppTheme::light:
        return u"light"_s;
    case AppTheme::dark:
        return u"dark"_s;
    }
    return {};
}

AppTheme fromStoredValue(const QString &text)
{
    if (text == u"light")
        return AppTheme::light;
    if (text == u"dark")
        return AppTheme::dark;
    return AppTheme::system;
}

QString localizedTitle(AppTheme theme)
{
    return L10n::text(u"theme_"_s + rawValue(theme));
}

} // namespace devnook::AppThemes
