#include "ProjectLink.h"

#include "core/foundation/L10n.h"
#include "core/foundation/Text.h"

using namespace Qt::StringLiterals;

namespace devnook {

namespace WorkspaceLinkKinds {

const QList<WorkspaceLinkKind> &all()
{
    static const QList<WorkspaceLinkKind> kinds{
        WorkspaceLinkKind::github, WorkspaceLinkKind::production, WorkspaceLinkKind::staging,
        WorkspaceLinkKind::figma,  WorkspaceLinkKind::notion,     WorkspaceLinkKind::supabase,
        WorkspaceLinkKind::admin,
    };
    return kinds;
}

QString rawValue(WorkspaceLinkKind kind)
{
    switch (kind) {
    case WorkspaceLinkKind::github:
        return u"github"_s;
    case WorkspaceLinkKind::production:
        return u"production"_s;
    case WorkspaceLinkKind::staging:
        return u"staging"_s;
    case WorkspaceLinkKind::figma:
        return u"figma"_s;
    case WorkspaceLinkKind::notion:
        return u"notion"_s;
    case WorkspaceLinkKind::supabase:
        return u"supabase"_s;
    case WorkspaceLinkKind::admin:
        return u"admin"_s;
    }
    return {};
}

std::optional<WorkspaceLinkKind> fromRawValue(const QString &text)
{
    for (WorkspaceLinkKind kind : all()) {
        if (rawValue(kind) == text)
            return kind;
    }
    return std::nullopt;
}

QString localizedTitle(WorkspaceLinkKind kind)
{
    return L10n::text(u"link_"_s + rawValue(kind));
}

} // namespace WorkspaceLinkKinds

QString ProjectLink::displayTitle() const
{
    if (kind)
        return WorkspaceLinkKinds::localizedTitle(*kind);
    const QString trimmedTitle = Text::trimmed(title);
    return trimmedTitle.isEmpty() ? L10n::text(u"custom_link"_s) : trimmedTitle;
}

} // namespace devnook
