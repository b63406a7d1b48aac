#include "UsageColors.h"

#include "core/foundation/L10n.h"
#include "core/foundation/Text.h"

#include <array>
#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace devnook::UsageColors {

namespace {

constexpr std::array<quint32, 10> kPalette{0x6366F1, 0xF59E0B, 0xEC4899, 0x14B8A6, 0x8B5CF6,
                                           0xEF4444, 0x84CC16, 0x0EA5E9, 0xF97316, 0xA855F7};

// Searched in this order for a name inside a label, so a label holding two
// names ("django api" holds "go") always gets the same one.
constexpr std::array<std::pair<const char16_t *, quint32>, 30> kKnownStacks{{
    {u"swift", 0xF05138},    {u"swiftui", 0xF05138},   {u"nuxt", 0x00DC82},    {u"next.js", 0x0070F3},
    {u"nextjs", 0x0070F3},   {u"next", 0x0070F3},      {u"vue", 0x42B883},     {u"react", 0x61DAFB},
    {u"astro", 0xFF5D01},    {u"laravel", 0xFF2D20},   {u"rust", 0xDEA584},    {u"flutter", 0x54C5F8},
    {u"python", 0x3776AB},   {u"node", 0x339933},      {u"node.js", 0x339933}, {u"static", 0x6B7280},
    {u"svelte", 0xFF3E00},   {u"sveltekit", 0xFF3E00}, {u"angular", 0xDD0031}, {u"django", 0x092E20},
    {u"ruby", 0xCC342D},     {u"rails", 0xCC0000},     {u"go", 0x00ADD8},      {u"golang", 0x00ADD8},
    {u"kotlin", 0x7F52FF},   {u"java", 0xED8B00},      {u"php", 0x777BB4},     {u"wordpress", 0x21759B},
    {u"electron", 0x47848F}, {u"tauri", 0xFFC131},
}};

// Hexadecimal digits, optionally after a plus sign; a number sign or "0x"
// does not read. Nothing when the text does not read or does not fit.
std::optional<quint32> readHexColor(const QString &text)
{
    const QStringView digits = text.startsWith(u'+') ? QStringView(text).sliced(1) : QStringView(text);
    if (digits.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (const QChar c : digits) {
        const int digit = (c >= u'0' && c <= u'9')   ? c.unicode() - u'0'
                          : (c >= u'a' && c <= u'f') ? c.unicode() - u'a' + 10
                          : (c >= u'A' && c <= u'F') ? c.unicode() - u'A' + 10
                                                     : -1;
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | static_cast<quint64>(digit);
        if (value > 0xFFFFFFFF)
            return std::nullopt;
    }
    return static_cast<quint32>(value);
}

quint32 clientColor(const UsageStatistics::GroupingKey &key, const QList<DevProject> &projects)
{
    const QString unassigned = L10n::text(u"usage_unassigned_client"_s);
    for (const DevProject &project : projects) {
        const QString client = Text::trimmed(project.client);
        if ((client.isEmpty() ? unassigned : client) != key.label)
            continue;
        if (const auto color = readHexColor(Text::trimmed(project.clientColorHex)))
            return *color;
        break;
    }
    return key.label == unassigned ? kUnassignedGrey : paletteColor(key.id);
}

} // namespace

quint32 paletteColor(QStringView text)
{
    quint32 hash = 2166136261u;
    for (const char byte : text.toUtf8()) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 16777619u;
    }
    return kPalette[hash % kPalette.size()];
}

quint32 stackColor(const QString &label)
{
    if (label == L10n::text(u"usage_unassigned_stack"_s))
        return kUnassignedGrey;
    const QString name = Text::trimmed(label).toLower();
    for (const auto &[known, color] : kKnownStacks) {
        if (name == QStringView(known))
            return color;
    }
    for (const auto &[known, color] : kKnownStacks) {
        if (name.contains(QStringView(known)))
            return color;
    }
    return paletteColor(name);
}

quint32 groupColor(const UsageStatistics::GroupingKey &key, UsageDistributionDimension dimension,
                   const QList<DevProject> &projects)
{
    switch (dimension) {
    case UsageDistributionDimension::project:
        // The id is the project's canonical id text, as in the table rows.
        return paletteColor(key.id);
    case UsageDistributionDimension::client:
        return clientColor(key, projects);
    case UsageDistributionDimension::stack:
        return stackColor(key.label);
    }
    return kUnassignedGrey;
}

} // namespace devnook::UsageColors
