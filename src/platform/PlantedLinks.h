#pragma once

#include <QString>

namespace kaldoria::platform {

// Symbolic links found inside the client folder where the launcher writes or deletes. The
// launcher never writes or deletes through one: a link in the way is itself removed or
// replaced, and what it points at is left alone.
class PlantedLinks {
public:
    // Removes `path` when it is a symbolic link; true when no link remains there.
    static bool removeLink(const QString& path);
    // Removes every symbolic link among the folders between `root` (excluded) and `path`
    // (excluded), so that folders made afterwards are real ones inside `root`.
    static bool removeLinkedFolders(const QString& root, const QString& path);
    // True when a folder between `root` (excluded) and `path` (excluded) is a symbolic link.
    static bool passesThroughLink(const QString& root, const QString& path);
};

} // namespace kaldoria::platform
