#pragma once

#include <QString>
#include <QtGlobal>

namespace kaldoria::update {

// The texts that tell the player that an update did not complete. Each comes from the
// interface text table when the configuration gives it and from an English default
// otherwise; "%1" and "%2" in a configured text stand for the numbers.
struct FailureTexts {
    // Entry of "N files could not be updated" ("%1": the number of files).
    static constexpr int kFilesFailedEntry = 26;
    // Entry of "the disk is full" ("%1": the space needed, "%2": the space free).
    static constexpr int kDiskFullEntry = 27;

    static QString filesFailed(const QString& configured, int count);
    static QString diskFull(const QString& configured, qint64 bytesNeeded, qint64 bytesFree);
};

} // namespace kaldoria::update
