#pragma once

#include "UsageRecords.h"
#include "UsageStatistics.h"
#include "core/projects/DevProject.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace devnook::UsageColors {

// The grey of time without client or stack.
inline constexpr quint32 kUnassignedGrey = 0x9CA3AF;

// One of ten chart colours, chosen by a hash of the text that stays the same
// from run to run (FNV-1a over its UTF-8 bytes), so a legend keeps its colours.
quint32 paletteColor(QStringView text);

// The colour of a stack label: grey when unassigned, the colour of a known
// stack named exactly or contained in the label (case ignored), else the
// palette colour of the trimmed, lower-cased label.
quint32 stackColor(const QString &label);

// The colour of a group of the distribution: a project's palette colour, the
// client colour of the first listed project with that client (grey or the
// palette when it has none that reads), or the stack colour.
quint32 groupColor(const UsageStatistics::GroupingKey &key, UsageDistributionDimension dimension,
                   const QList<DevProject> &projects);

} // namespace devnook::UsageColors
