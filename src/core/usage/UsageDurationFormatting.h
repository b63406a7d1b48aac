#pragma once

#include "core/foundation/Timestamp.h"

#include <QString>
#include <optional>

namespace devnook::UsageDurationFormatting {

// The one duration text of the usage views: seconds rounded to whole ones
// (halves away from zero), written with the hours, minutes and seconds they
// hold ("1h 0m 5s", "25h"); zero, negative or not a number as zero minutes.
QString format(double seconds);

// The local date and time of the last session (DateTexts::mediumDateTime),
// or the "no data" text.
QString formatLastSession(std::optional<Timestamp> lastSessionAt);

} // namespace devnook::UsageDurationFormatting
