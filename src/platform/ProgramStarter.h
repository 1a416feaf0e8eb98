#pragma once

#include <QString>
#include <QStringList>

namespace kaldoria::platform {

// Starting programs the way the launcher needs it: the game client and the launcher's own
// new program file. Elevation does not exist here; programs run under the user's rights.
class ProgramStarter {
public:
    // Starts `program` (a full path) with `arguments` in `workingFolder` and does not wait.
    // A Windows program (".exe") is started through `wine` when `wine` is on the PATH.
    // False when the program could not be started.
    static bool startDetached(const QString& program, const QStringList& arguments, const QString& workingFolder);

    // Replaces the running process by `program` with `arguments` (argument 0 is the
    // program itself). Returns only when that failed.
    static void execReplace(const QString& program, const QStringList& arguments);
};

} // namespace kaldoria::platform
