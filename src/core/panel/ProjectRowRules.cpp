#include "ProjectRowRules.h"

#include "core/foundation/L10n.h"
#include "core/foundation/Text.h"
#include "core/projects/HexColor.h"

using namespace Qt::StringLiterals;

namespace devnook::ProjectRowRules {

namespace {

CardBorder borderOf(const ProjectRowContext &context)
{
    if (context.isFolderMissing)
        return CardBorder::folderMissing;
    if (context.processState == DevProcessState::running)
        return CardBorder::running;
    if (context.processState == DevProcessState::starting)
        return CardBorder::starting;
    return CardBorder::plain;
}

void setDevicePreviewMark(const std::optional<DevicePreviewHealthSummary> &health, ProjectRowDisplay &display)
{
    display.devicePreviewMarkColor = DevicePreviewMarkColor::red;
    if (!health || health->isChecking) {
        if (health)
            display.devicePreviewMarkColor = DevicePreviewMarkColor::secondary;
        display.devicePreviewTooltip = L10n::text(u"device_preview_checking_tooltip"_s);
        return;
    }
    if (health->total == 0) {
        display.devicePreviewTooltip = L10n::text(u"device_preview_no_urls_title"_s);
        return;
    }
    const QStringList counts{QString::number(health->available), QString::number(health->total)};
    if (health->available == health->total) {
        display.devicePreviewMarkColor = DevicePreviewMarkColor::green;
        display.devicePreviewTooltip = L10n::format(u"device_preview_all_available_tooltip"_s, counts);
        return;
    }
    display.devicePreviewTooltip = L10n::format(u"device_preview_partial_available_tooltip"_s, counts);
}

} // namespace

ProjectRowDisplay display(const ProjectRowContext &context)
{
    const DevProject &project = context.project;
    ProjectRowDisplay result;
    result.titleMark = project.isArchived ? TitleMark::archived
                       : project.isPinned ? TitleMark::pinned
                                          : TitleMark::none;
    result.showsStateIndicator = context.processState != DevProcessState::stopped;
    result.showsNotesMark = !Text::isBlank(project.notes);
    result.showsClientBadge = !context.hidesClientBadge && !Text::isBlank(project.client);
    result.showsStackBadge = !context.hidesStackBadge && !Text::isBlank(project.stack);
    result.hasBadgeMetadata = result.showsClientBadge || result.showsStackBadge ||
                              context.gitStatus.has_value() || context.envProfile.has_value();
    result.clientBadgeHex = HexColor::parse(project.clientColorHex);
    result.border = borderOf(context);
    result.showsActionBar = !project.isArchived;
    result.showsFolderMissingFooter = context.isFolderMissing;
    result.showsDevicePreviewMark = context.isDevicePreviewActive;
    if (context.isDevicePreviewActive)
        setDevicePreviewMark(context.devicePreviewHealth, result);
    if (context.gitStatus)
        result.gitTooltip =
            L10n::text(context.gitStatus->isDirty ? u"git_pending_changes"_s : u"git_no_pending_changes"_s);
    if (context.envProfile) {
        result.envBadgeText = L10n::format(u"env_badge"_s, {context.envProfile->displayName});
        result.envTooltip =
            L10n::format(u"env_files_tooltip"_s, {context.envProfile->fileNames.join(u", "_s)});
    }
    return result;
}

} // namespace devnook::ProjectRowRules
