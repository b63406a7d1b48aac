#pragma once

#include <QString>
#include <optional>
#include <utility>

namespace devnook {

// The outcome of a fallible operation: a value, or the text of what went wrong.
template <typename T> class [[nodiscard]] Result {
public:
    static Result success(T value) { return Result(std::move(value), QString()); }
    static Result failure(QString error) { return Result(std::nullopt, std::move(error)); }

    bool isOk() const { return m_value.has_value(); }
    explicit operator bool() const { return isOk(); }

    const T &value() const & { return *m_value; }
    T &&value() && { return std::move(*m_value); }
    const QString &error() const { return m_error; }

private:
    Result(std::optional<T> value, QString error) : m_value(std::move(value)), m_error(std::move(error)) {}

    std::optional<T> m_value;
    QString m_error;
};

template <> class [[nodiscard]] Result<void> {
public:
    static Result success() { return Result(true, QString()); }
    static Result failure(QString error) { return Result(false, std::move(error)); }

    bool isOk() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const QString &error() const { return m_error; }

private:
    Result(bool ok, QString error) : m_ok(ok), m_error(std::move(error)) {}

    bool m_ok = false;
    QString m_error;
};

} // namespace devnook
