#include "trust/ManifestData.h"

namespace kaldoria::trust {

QHash<QString, ManifestFile> ManifestData::filesByName() const {
    QHash<QString, ManifestFile> byName;
    byName.reserve(qsizetype(files.size()));
    for (const ManifestFile& file : files)
        byName.insert(nameKey(file.name), file);
    return byName;
}

} // namespace kaldoria::trust
