#include "UsageRecords.h"

#include "core/foundation/L10n.h"

using namespace Qt::StringLiterals;

namespace devnook {

namespace UsageDistributionDimensions {

const QList<UsageDistributionDimension> &all()
{
    static const QList<UsageDistributionDimension> dimensions{UsageDistributionDimension::project,
                                                              UsageDistributionDimension::client,
                                                              UsageDistributionDimension::stack};
    return dimensions;
}

QString rawValue(UsageDistributionDimension dimension)
{
    switch (dimension) {
    case UsageDistributionDimension::project:
        return u"project"_s;
    case UsageDistributionDimension::client:
        return u"client"_s;
    case UsageDistributionDimension::stack:
        return u"stack"_s;
    }
    return {};
}

std::optional<UsageDistributionDimension> fromRawValue(const QString &text)
{
    for (const UsageDistributionDimension dimension : all()) {
        if (rawValue(dimension) == text)
            return dimension;
    }
    return std::nullopt;
}

QString localizedTitle(UsageDistributionDimension dimension)
{
    return L10n::text(u"usage_slice_"_s + rawValue(dimension) + u's');
}

} // namespace UsageDistributionDimensions

namespace UsageExportFormats {

const QList<UsageExportFormat> &all()
{
    static const QList<UsageExportFormat> formats{UsageExportFormat::csv, UsageExportFormat::json};
    return formats;
}

QString fileExtension(UsageExportFormat format)
{
    return format == UsageExportFormat::csv ? u"csv"_s : u"json"_s;
}

} // namespace UsageExportFormats

} // namespace devnook
