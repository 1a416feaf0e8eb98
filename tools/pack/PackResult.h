#pragma once

#include <QByteArray>
#include <QString>

namespace kaldoria::pack {

// Bytes made by the tool, or the message saying why they could not be made.
struct PackResult {
    QByteArray bytes;
    QString error;

    bool ok() const { return error.isEmpty(); }
    static PackResult failure(const QString& message) { return {{}, message}; }
};

} // namespace kaldoria::pack
