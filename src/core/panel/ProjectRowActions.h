#pragma once

#include "ProjectRowContext.h"

#include <QList>
#include <QString>

namespace devnook {

// What a row's button or menu entry does.
enum class RowAction {
    none,
    revealFolder,
    openTerminal,
    openEditor,
    openPreview,
    toggleDevProcess,
    edit,
    togglePin,
    startWorkspace,
    usageStatistics,
    toggleUsageTrackingPause,
    logs,
    envDetails,
    devicePreview,
    openLink,
    showNotes,
    copyProjectPath,
    copyLocalhostURL,
    copyDevCommand,
    copyLink,
    restore,
    archive,
    deleteProject,
};

// The windows a row can open; each is off until its window exists, and the
// row's entries for it are then disabled.
struct RowWindows {
    bool projectForm = false;
    bool logs = false;
    bool envDetails = false;
    bool devicePreview = false;
    bool usage = false;
};

enum class ActionButtonStyle { normal, activeProcess };

// One square icon button of the action bar.
struct RowActionButton {
    QString titleKey;
    QString symbol;
    bool disabled = false;
    ActionButtonStyle style = ActionButtonStyle::normal;
    QString tooltipKey;
    RowAction action = RowAction::none;

    bool operator==(const RowActionButton &) const = default;
};

// One entry of the row menu. Items and submenus carry a localisation key and
// a symbol; the links' items carry the link's display title as plain text.
struct RowMenuEntry {
    enum class Kind { item, separator, sectionHeader, submenu };

    Kind kind = Kind::item;
    QString titleKey;
    QString plainTitle;
    QString symbol;
    bool enabled = true;
    bool destructive = false;
    RowAction action = RowAction::none;
    // The workspace link an openLink or copyLink item stands for.
    qsizetype linkIndex = -1;
    QList<RowMenuEntry> children;

    bool operator==(const RowMenuEntry &) const = default;
};

namespace ProjectRowActions {

// The action bar: folder, terminal, editor, then localhost and start/stop
// when they apply. Empty for an archived project.
QList<RowActionButton> actionBar(const ProjectRowContext &context);

// The row menu in display order.
QList<RowMenuEntry> menu(const ProjectRowContext &context, const RowWindows &windows);

// Whether the row stamps the project as used after carrying the action out:
// every command handed to another application or the clipboard.
bool marksUsed(RowAction action);

} // namespace ProjectRowActions

} // namespace devnook
