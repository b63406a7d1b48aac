#include "FormListEditing.h"

#include "core/foundation/L10n.h"
#include "core/foundation/Text.h"
#include "core/projects/HexColor.h"

using namespace Qt::StringLiterals;

namespace devnook::FormListEditing {

namespace {

constexpr int kUnreadableFill = 228;
constexpr int kDarkCheckmark = 33;

QList<ProjectLink>::iterator firstOfKind(QList<ProjectLink> &links, WorkspaceLinkKind kind)
{
    return std::find_if(links.begin(), links.end(), [&](const ProjectLink &l) { return l.kind == kind; });
}

QList<ProjectLink>::const_iterator firstOfKind(const QList<ProjectLink> &links, WorkspaceLinkKind kind)
{
    return std::find_if(links.cbegin(), links.cend(), [&](const ProjectLink &l) { return l.kind == kind; });
}

} // namespace

QString suggestedServiceName(const QList<ProjectService> &services)
{
    if (services.isEmpty())
        return L10n::text(u"frontend_service"_s);
    return L10n::format(u"dev_command_number"_s, {QString::number(services.size() + 1)});
}

QUuid addService(QList<ProjectService> &services)
{
    const QUuid id = QUuid::createUuid();
    services.append(ProjectService{id, suggestedServiceName(services), {}, {}});
    return id;
}

QUuid addPreviewLinkedURL(QList<ProjectPreviewLinkedURL> &linkedURLs)
{
    const QUuid id = QUuid::createUuid();
    linkedURLs.append(ProjectPreviewLinkedURL{id, {}, {}});
    return id;
}

QUuid addCustomLink(QList<ProjectLink> &links)
{
    const QUuid id = QUuid::createUuid();
    links.append(ProjectLink{id, std::nullopt, {}, {}, false});
    return id;
}

QList<ProjectLink> customLinks(const QList<ProjectLink> &links)
{
    QList<ProjectLink> custom;
    std::copy_if(links.cbegin(), links.cend(), std::back_inserter(custom),
                 [](const ProjectLink &l) { return !l.kind.has_value(); });
    return custom;
}

QString kindURL(const QList<ProjectLink> &links, WorkspaceLinkKind kind)
{
    const auto it = firstOfKind(links, kind);
    return it == links.cend() ? QString() : it->url;
}

void setKindURL(QList<ProjectLink> &links, WorkspaceLinkKind kind, const QString &url)
{
    const bool blank = Text::isBlank(url);
    const auto it = firstOfKind(links, kind);
    if (it != links.end()) {
        if (blank)
            links.erase(it);
        else
            it->url = url;
    } else if (!blank) {
        links.append(ProjectLink{QUuid::createUuid(), kind, {}, url, false});
    }
}

bool kindOpensWithWorkspace(const QList<ProjectLink> &links, WorkspaceLinkKind kind)
{
    const auto it = firstOfKind(links, kind);
    return it != links.cend() && it->openWithWorkspace;
}

void setKindOpensWithWorkspace(QList<ProjectLink> &links, WorkspaceLinkKind kind, bool open)
{
    const auto it = firstOfKind(links, kind);
    if (it != links.end())
        it->openWithWorkspace = open;
}

QString shortenedURL(const QString &url)
{
    QString shown = url;
    for (const QString &prefix : {u"https://www."_s, u"http://www."_s, u"https://"_s, u"http://"_s})
        shown.remove(prefix, Qt::CaseSensitive);
    return shown;
}

const std::array<ClientColor, 9> &clientColorPalette()
{
    static const std::array<ClientColor, 9> palette{{
        {"color_none", "E4E4E4"},
        {"color_blue", "93C5FD"},
        {"color_green", "86EFAC"},
        {"color_yellow", "FDE047"},
        {"color_orange", "FDBA74"},
        {"color_red", "FCA5A5"},
        {"color_pink", "F9A8D4"},
        {"color_purple", "C4B5FD"},
        {"color_black", "212121"},
    }};
    return palette;
}

RGB clientFillColor(const QString &hex)
{
    const std::optional<quint64> value = HexColor::read(hex);
    if (!value)
        return RGB{kUnreadableFill, kUnreadableFill, kUnreadableFill};
    return RGB{int((*value >> 16) & 0xff), int((*value >> 8) & 0xff), int(*value & 0xff)};
}

RGB clientCheckmarkColor(const QString &hex)
{
    const std::optional<quint64> value = HexColor::read(hex);
    if (value && HexColor::luminance(*value) < HexColor::kLightTextBelow)
        return RGB{255, 255, 255};
    return RGB{kDarkCheckmark, kDarkCheckmark, kDarkCheckmark};
}

} // namespace devnook::FormListEditing
