#pragma once

#include <QString>
#include <QStringList>

namespace kaldoria::update {

// Where packed files are fetched to in the work folder: "$part.<32 hex digits>.kdz", named by
// the MD5 of the list entry's key, so that a later run fetching the same entry finds what an
// earlier one left of it, together with its control file ("….kdz.resume"). Partly fetched
// files that no entry of a run wants any more are removed.
class PartialDownloads {
public:
    // The packed file of the list name `name` in `workFolder`.
    static QString packedPath(const QString& workFolder, const QString& name);
    // Removes from `workFolder` every packed file, control file and control file temporary
    // that belongs to none of the list names `wanted`; returns how many were removed.
    static int removeUnwanted(const QString& workFolder, const QStringList& wanted);
};

} // namespace kaldoria::update
