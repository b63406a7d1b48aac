#include "HexColor.h"

#include <limits>

namespace devnook::HexColor {

std::optional<quint64> read(const QString &text)
{
    QStringView digits = text;
    bool negative = false;
    if (!digits.isEmpty() && (digits.front() == u'+' || digits.front() == u'-')) {
        negative = digits.front() == u'-';
        digits = digits.sliced(1);
    }
    if (digits.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        int digit = -1;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else if (u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        if (digit < 0 || value > (std::numeric_limits<quint64>::max() >> 4))
            return std::nullopt;
        value = (value << 4) | static_cast<quint64>(digit);
    }
    // An unsigned parse takes a minus sign only where the value stays zero.
    if (negative && value != 0)
        return std::nullopt;
    return value;
}

quint64 parse(const QString &text)
{
    return read(text).value_or(kFallback);
}

double luminance(quint64 rgb)
{
    const double red = static_cast<double>((rgb >> 16) & 0xFF) / 255.0;
    const double green = static_cast<double>((rgb >> 8) & 0xFF) / 255.0;
    const double blue = static_cast<double>(rgb & 0xFF) / 255.0;
    return 0.2126 * red + 0.7152 * green + 0.0722 * blue;
}

quint32 textColorOn(quint64 rgb)
{
    return luminance(rgb) < kLightTextBelow ? kWhiteText : kDarkText;
}

} // namespace devnook::HexColor
