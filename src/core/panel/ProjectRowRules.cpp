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
