#pragma once

#include <QString>

#include <utility>

namespace kaldoria::filelist {

// The outcome of an operation that can fail: success, or the message of its error.
class Status {
public:
    static Status success() { return Status(); }
    static Status failure(QString message) { return Status(std::move(message)); }

    bool ok() const { return m_message.isEmpty(); }
    const QString& message() const { return m_message; }

private:
    Status() = default;
    explicit Status(QString message) : m_message(std::move(message)) {}

    QString m_message;
};

} // namespace kaldoria::filelist
