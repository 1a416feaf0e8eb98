#pragma once

#include <QString>

namespace kaldoria::app {

// Removes the temporary files that a launcher killed mid-run leaves behind, so that none
// outlives the run after it. Called at start, while the client folder's lock is held, so
// that no running launcher's file is taken. What counts as a leftover:
// - anywhere in the client folder (links not followed): a file extraction writes before
//   renaming it into place, ".<random>.kaldoria-part";
// - in the client folder itself: the temporary copy of the unpacked list,
//   "updater.lst.<6 letters or digits>";
// - in the work folder "updater": the packed files "$tmp.kdz" and "$tmp.<number>.kdz", the download parts
//   "_part_<number>.tmp", and the temporary copies of the settings and the previous list,
//   "Kaldoria.ini.<6 letters or digits>" and "OldList.lst.<6 letters or digits>".
// (A file rewritten whole is written unnamed where the file system allows it and named
// "<file>.<6 letters or digits>" just before its rename, or from the start elsewhere.)
class LeftoverFiles {
public:
    // Removes the leftovers below `clientFolder`; returns how many were removed.
    static int removeFrom(const QString& clientFolder);
};

} // namespace kaldoria::app
