#pragma once

#include "ProjectRowContext.h"

#include <QString>

namespace devnook {

// What a card's border is coloured by, first match wins.
enum class CardBorder { folderMissing, running, starting, plain };
// The mark beside a project's name; archived wins over pinned.
enum class TitleMark { none, archived, pinned };
// The colour of the device-preview mark: whether every LAN address answers.
enum class DevicePreviewMarkColor { red, secondary, green };

// The values of a project card derived from its context.
struct ProjectRowDisplay {
    TitleMark titleMark = TitleMark::none;
    bool showsStateIndicator = false;
    bool showsNotesMark = false;
    bool showsClientBadge = false;
    bool showsStackBadge = false;
    // Any badge at all: the badge line exists and the text column spaces 8.
    bool hasBadgeMetadata = false;
    // The client badge's colour as 0xRRGGBB; the fallback grey when unreadable.
    quint64 clientBadgeHex = 0;
    CardBorder border = CardBorder::plain;
    bool showsActionBar = false;
    bool showsFolderMissingFooter = false;
    // Localised tooltip of the git badge, text and tooltip of the .env badge;
    // empty without a git status or .env profile.
    QString gitTooltip;
    QString envBadgeText;
    QString envTooltip;
    // Shown while the device preview is on; its colour and localised tooltip
    // follow the published health.
    bool showsDevicePreviewMark = false;
    DevicePreviewMarkColor devicePreviewMarkColor = DevicePreviewMarkColor::red;
    QString devicePreviewTooltip;

    bool operator==(const ProjectRowDisplay &) const = default;
};

namespace ProjectRowRules {

ProjectRowDisplay display(const ProjectRowContext &context);

// The stack badge's fixed colour.
inline constexpr quint64 kStackBadgeHex = 0xE4E4E4;

} // namespace ProjectRowRules

} // namespace devnook
