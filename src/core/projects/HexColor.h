#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace devnook::HexColor {

// The grey that stands in for a colour that cannot be read.
inline constexpr quint64 kFallback = 0xE4E4E4;
// Text on a light colour; white goes on a dark one.
inline constexpr quint32 kDarkText = 0x212121;
inline constexpr quint32 kWhiteText = 0xFFFFFF;
// Colours of a luminance below this take white text.
inline constexpr double kLightTextBelow = 0.58;

// The text read as an unsigned 64-bit number in base 16 exactly as stored: an
// optional "+" (or "-" before a value of zero) and one or more hexadecimal
// digits; no "#" or "0x" prefix, no blanks. Nothing for anything else, an
// empty text or a value beyond 64 bits included.
std::optional<quint64> read(const QString &text);

// read(), with kFallback for a colour that does not read.
quint64 parse(const QString &text);

// 0.2126 r + 0.7152 g + 0.0722 b of the low 24 bits as 0xRRGGBB, each channel
// from 0 to 1, without a gamma step.
double luminance(quint64 rgb);

// kWhiteText on a dark colour, kDarkText on a light one.
quint32 textColorOn(quint64 rgb);

} // namespace devnook::HexColor
