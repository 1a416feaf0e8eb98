#pragma once

#include <QString>
#include <QtGlobal>

namespace kaldoria::update {

// The texts that tell the player that an update did not complete. Each comes from the
// interface text table when the configuration gives it and from an English default
// otherwise; "%1" and "%2" in a configured text stand for the numbers.
struct FailureTexts {
    static QString filesFailed(const QString& configured, int count);
    static QString diskFull(const QString& configured, qint64 bytesNeeded, qint64 bytesFree);
};

} // namespace kaldoria::update
