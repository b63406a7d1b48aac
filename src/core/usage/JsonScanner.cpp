#include "JsonScanner.h"

#include "core/foundation/L10n.h"

#include <QStringDecoder>
#include <algorithm>
#include <charconv>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// Deeper nesting than this inside an ignored member is refused rather than
// risking the stack.
constexpr int kMaxDepth = 512;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

void appendUtf8(QByteArray &bytes, char32_t c)
{
    if (c < 0x80) {
        bytes.append(static_cast<char>(c));
    } else if (c < 0x800) {
        bytes.append(static_cast<char>(0xC0 | (c >> 6)));
        bytes.append(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        bytes.append(static_cast<char>(0xE0 | (c >> 12)));
        bytes.append(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        bytes.append(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        bytes.append(static_cast<char>(0xF0 | (c >> 18)));
        bytes.append(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        bytes.append(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        bytes.append(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

} // namespace

void JsonScanner::fail(const QString &reasonKey, const QStringList &arguments)
{
    // Looked up once: a failure deep inside nested values passes every
    // level's end on its way out.
    if (m_error.isEmpty())
        m_error =
            L10n::format(u"json_not_valid"_s, {QString::number(m_pos), L10n::format(reasonKey, arguments)});
}

void JsonScanner::skipWhitespace()
{
    while (m_pos < m_text.size()) {
        const char c = m_text[m_pos];
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t')
            return;
        ++m_pos;
    }
}

JsonScanner::Token JsonScanner::peek()
{
    skipWhitespace();
    if (!ok() || m_pos >= m_text.size())
        return Token::end;
    const char c = m_text[m_pos];
    if (c == '"')
        return Token::string;
    if (c == '-' || isDigit(c))
        return Token::number;
    if (c == 'n')
        return Token::null;
    return Token::other;
}

bool JsonScanner::consume(char c)
{
    skipWhitespace();
    if (!ok() || m_pos >= m_text.size() || m_text[m_pos] != c)
        return false;
    ++m_pos;
    return true;
}

void JsonScanner::expect(char c)
{
    if (!consume(c))
        fail(u"json_expected_character"_s, {QString(QLatin1Char(c))});
}

void JsonScanner::expectEnd()
{
    skipWhitespace();
    if (m_pos < m_text.size())
        fail(u"json_text_after_value"_s);
}

bool JsonScanner::readHex4(char32_t &value)
{
    if (m_pos + 4 > m_text.size())
        return false;
    value = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = m_text[m_pos++];
        value <<= 4;
        if (isDigit(c))
            value |= static_cast<char32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            value |= static_cast<char32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            value |= static_cast<char32_t>(c - 'A' + 10);
        else
            return false;
    }
    return true;
}

bool JsonScanner::readEscape(QByteArray &bytes)
{
    if (m_pos >= m_text.size())
        return false;
    switch (m_text[m_pos++]) {
    case '"':
        bytes.append('"');
        return true;
    case '\\':
        bytes.append('\\');
        return true;
    case '/':
        bytes.append('/');
        return true;
    case 'b':
        bytes.append('\b');
        return true;
    case 'f':
        bytes.append('\f');
        return true;
    case 'n':
        bytes.append('\n');
        return true;
    case 'r':
        bytes.append('\r');
        return true;
    case 't':
        bytes.append('\t');
        return true;
    case 'u':
        break;
    default:
        return false;
    }
    char32_t unit = 0;
    if (!readHex4(unit) || (unit >= 0xDC00 && unit <= 0xDFFF))
        return false;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        char32_t low = 0;
        if (m_pos + 2 > m_text.size() || m_text[m_pos] != '\\' || m_text[m_pos + 1] != 'u')
            return false;
        m_pos += 2;
        if (!readHex4(low) || low < 0xDC00 || low > 0xDFFF)
            return false;
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
    appendUtf8(bytes, unit);
    return true;
}

std::optional<QByteArrayView> JsonScanner::readStringBytes()
{
    if (!consume('"')) {
        fail(u"json_expected_string"_s);
        return std::nullopt;
    }
    const qsizetype start = m_pos;
    while (m_pos < m_text.size()) {
        const char c = m_text[m_pos];
        if (c == '"') {
            ++m_pos;
            return m_text.sliced(start, m_pos - 1 - start);
        }
        if (c == '\\' || static_cast<unsigned char>(c) < 0x20)
            break;
        ++m_pos;
    }
    m_buffer = m_text.sliced(start, m_pos - start).toByteArray();
    while (m_pos < m_text.size()) {
        const char c = m_text[m_pos++];
        if (c == '"')
            return QByteArrayView(m_buffer);
        if (static_cast<unsigned char>(c) < 0x20) {
            --m_pos;
            fail(u"json_control_character"_s);
            return std::nullopt;
        }
        if (c != '\\') {
            m_buffer.append(c);
        } else if (!readEscape(m_buffer)) {
            fail(u"json_invalid_escape"_s);
            return std::nullopt;
        }
    }
    fail(u"json_unterminated_string"_s);
    return std::nullopt;
}

QByteArrayView JsonScanner::readRawString()
{
    return readStringBytes().value_or(QByteArrayView());
}

std::optional<QString> JsonScanner::decodeUtf8(QByteArrayView bytes)
{
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString JsonScanner::readString()
{
    const auto bytes = readStringBytes();
    if (!bytes)
        return {};
    auto text = decodeUtf8(*bytes);
    if (!text)
        fail(u"json_invalid_utf8"_s);
    return text.value_or(QString());
}

double JsonScanner::readNumber()
{
    skipWhitespace();
    const qsizetype start = m_pos;
    const auto digits = [&] {
        const qsizetype from = m_pos;
        while (m_pos < m_text.size() && isDigit(m_text[m_pos]))
            ++m_pos;
        return m_pos > from;
    };
    if (m_pos < m_text.size() && m_text[m_pos] == '-')
        ++m_pos;
    bool valid = m_pos < m_text.size() && m_text[m_pos] == '0' ? (++m_pos, true) : digits();
    if (valid && m_pos < m_text.size() && m_text[m_pos] == '.') {
        ++m_pos;
        valid = digits();
    }
    if (valid && m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E')) {
        ++m_pos;
        if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-'))
            ++m_pos;
        valid = digits();
    }
    double value = 0.0;
    const char *first = m_text.data() + start;
    const char *last = m_text.data() + m_pos;
    const auto [end, error] = valid ? std::from_chars(first, last, value)
                                    : std::from_chars_result{first, std::errc::invalid_argument};
    if (error == std::errc::result_out_of_range)
        fail(u"json_number_out_of_range"_s);
    else if (error != std::errc() || end != last)
        fail(u"json_invalid_number"_s);
    return ok() ? value : 0.0;
}

void JsonScanner::skipLiteral(QByteArrayView literal)
{
    skipWhitespace();
    if (m_text.sliced(m_pos).startsWith(literal))
        m_pos += literal.size();
    else
        fail(u"json_unexpected_character"_s);
}

void JsonScanner::readNull()
{
    skipLiteral("null");
}

void JsonScanner::skipValue()
{
    skipValue(0);
}

void JsonScanner::skipValue(int depth)
{
    if (depth > kMaxDepth) {
        fail(u"json_nested_too_deeply"_s);
        return;
    }
    switch (peek()) {
    case Token::string:
        readString();
        return;
    case Token::number:
        readNumber();
        return;
    case Token::null:
        readNull();
        return;
    case Token::end:
        fail(u"json_unexpected_end"_s);
        return;
    case Token::other:
        break;
    }
    const char c = m_text[m_pos];
    if (c == 't') {
        skipLiteral("true");
    } else if (c == 'f') {
        skipLiteral("false");
    } else if (c == '[') {
        ++m_pos;
        if (consume(']'))
            return;
        do
            skipValue(depth + 1);
        while (ok() && consume(','));
        expect(']');
    } else if (c == '{') {
        ++m_pos;
        if (consume('}'))
            return;
        do {
            readRawString();
            expect(':');
            skipValue(depth + 1);
        } while (ok() && consume(','));
        expect('}');
    } else {
        fail(u"json_unexpected_character"_s);
    }
}

} // namespace devnook
