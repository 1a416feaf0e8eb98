#pragma once

#include <QString>

namespace kaldoria::app {

// Removes the temporary files that a launcher killed mid-run leaves behind, so that none
// outlives the run after it. Called at start, while the client folder's lock is held, so
// that no running launcher's file is taken. What counts as a leftover:
// - anywhere in the client folder (links not followed): a file extraction writes before
//   renaming it into place, ".<random>.kaldoria-part";
// - in the work folder "updater": the packed file "$tmp.kdz", the download parts
//   "_part_<number>.tmp", and the temporary copies of the files the launcher rewrites
//   whole ("Kaldoria.ini", "OldList.lst", "updater.lst"), named "<file>.<6 letters or digits>".
class LeftoverFiles {
public:
    // Removes the leftovers below `clientFolder`; returns how many were removed.
    static int removeFrom(const QString& clientFolder);
};

} // namespace kaldoria::app
