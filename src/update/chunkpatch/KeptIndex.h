#pragma once

#include "chunks/ChunkIndex.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace kaldoria::update {

// The chunk index of a client file as the launcher put it in place, kept in the work folder
// so that the file's next patch knows which chunks the file holds without cutting it (which
// means reading all of it). A kept index carries the file's last-write time, to the
// nanosecond, as its own: it describes the file only while the file still has that time and
// its size. Trusting that is what a size-and-date check trusts; a patch planned from a kept
// index still checks every reused chunk against its digest, so a file changed behind the
// launcher's back costs a fallback, never a wrong file.
class KeptIndex {
public:
    // Where the index of the client file with the list name `listName` is kept: below the
    // work folder, named by a digest of the name, so that any name makes a short file name.
    static QString pathFor(const QString& workFolder, const QString& listName);
    // Removes the kept indexes of every file but those the list names `listNames`.
    static void removeUnlisted(const QString& workFolder, const QStringList& listNames);

    // The kept index at `keptPath` when it still describes `file`; a stale one is removed.
    static std::optional<chunks::ChunkIndex> read(const QString& keptPath, const QString& file);
    // Keeps `indexText` (a checked index of `file` as it is now) at `keptPath`; false when it
    // cannot be written, which only costs the next patch a cut.
    static bool keep(const QByteArray& indexText, const QString& keptPath, const QString& file);
};

} // namespace kaldoria::update
