#pragma once

#include "trust/ManifestData.h"

#include <QString>
#include <QStringList>

namespace kaldoria::pack {

// Checks a listed file's chunk index in a signed server folder the way a launcher that
// fetches chunks would: the index is the signed one, describes a file of the listed size,
// and every chunk it names is in the chunk store, holds the bytes its name says, and all of
// them in order make the signed file. An index on the server that the manifest does not
// cover is a problem too: it no longer belongs to the published file.
class ChunkIndexCheck {
public:
    // The problems of the listed file `name` of `size` bytes, signed as `signedFile`, in
    // the folder `server`; empty when there are none.
    static QStringList run(const QString& server, const QString& name, qint64 size,
                           const trust::ManifestFile& signedFile);
};

} // namespace kaldoria::pack
