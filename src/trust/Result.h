#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace kaldoria::trust {

// A value, or the reason it could not be had. The reason is plain text for the log or the
// terminal ("cannot read key.pem: No such file or directory").
template <typename T> class Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    static Result failure(QString reason) { return Result(std::move(reason)); }

    bool ok() const { return m_value.has_value(); }
    // Only when ok().
    const T& value() const& { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    // Empty when ok().
    const QString& error() const { return m_error; }

private:
    explicit Result(QString reason) : m_error(std::move(reason)) {}

    std::optional<T> m_value;
    QString m_error;
};

} // namespace kaldoria::trust
