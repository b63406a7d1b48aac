#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>

namespace devnook {

// Reads JSON text one value at a time, strictly (RFC 8259: no trailing
// commas, comments or bare control characters; strings must be valid UTF-8).
// A file of a hundred thousand sessions reads several times faster this way
// than through a document of QJsonValues. The first error is kept, with its
// byte offset, and every later call does nothing.
class JsonScanner {
public:
    enum class Token { string, number, null, other, end };

    explicit JsonScanner(QByteArrayView text) : m_text(text) {}

    bool ok() const { return m_error.isEmpty(); }
    const QString &error() const { return m_error; }
    // Keeps the first error: the localised text of reasonKey, filled with the
    // arguments, at the offset reached.
    void fail(const QString &reasonKey, const QStringList &arguments = {});
    // Forgets the error and reads on from the offset: how a reader passes
    // over a part of the text it could not read.
    void resumeAt(qsizetype position)
    {
        m_error.clear();
        m_pos = position;
    }

    // The kind of the next value, after whitespace; end at the end of the text.
    Token peek();

    // Consumes the character when it comes next, after whitespace.
    bool consume(char c);
    // Consumes the character, or fails.
    void expect(char c);

    // A string value. readRawString gives its bytes with the escapes
    // decoded, valid until the next call, not checked to be UTF-8.
    QString readString();
    QByteArrayView readRawString();

    // The text of UTF-8 bytes; nothing when they are not valid UTF-8.
    static std::optional<QString> decodeUtf8(QByteArrayView bytes);
    double readNumber();
    void readNull();
    // Any value, nested containers included.
    void skipValue();

    // Fails unless only whitespace is left.
    void expectEnd();

    // The byte offset reached, and the text between two offsets: how a value
    // is kept as it was written.
    qsizetype position() const { return m_pos; }
    QByteArrayView textBetween(qsizetype from, qsizetype to) const { return m_text.sliced(from, to - from); }

private:
    void skipWhitespace();
    // The string's bytes: a view into the text when it holds no escape, else
    // the decoded bytes in m_buffer. Nothing on failure.
    std::optional<QByteArrayView> readStringBytes();
    bool readEscape(QByteArray &bytes);
    bool readHex4(char32_t &value);
    void skipValue(int depth);
    void skipLiteral(QByteArrayView literal);

    QByteArrayView m_text;
    qsizetype m_pos = 0;
    QString m_error;
    QByteArray m_buffer;
};

} // namespace devnook
