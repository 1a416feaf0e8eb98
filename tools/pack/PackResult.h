#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kaldoria::pack {

// Bytes made by the tool, or the message saying why they could not be made; and what the
// operator should look at even though the bytes were made.
struct PackResult {
    QByteArray bytes;
    QString error;
    QStringList warnings;

    bool ok() const { return error.isEmpty(); }
    static PackResult failure(const QString& message) { return {{}, message, {}}; }
};

} // namespace kaldoria::pack
