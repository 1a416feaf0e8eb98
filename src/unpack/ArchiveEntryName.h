#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace kaldoria::unpack {

// Judges where an archive entry's stored name may be written. Archives come from update
// servers, so a stored name must never reach outside the target folder.
class ArchiveEntryName {
public:
    // The name's components; both "/" and "\" separate them, empty components are dropped.
    static QStringList components(const QString& storedName);

    // The part after the last "/" or "\" (empty when the name ends with a separator).
    static QString lastComponent(const QString& storedName);

    // Why the entry may not be written under the target folder, or nullopt when it may:
    // absolute names, names with a drive, names with a ".." component and names that name
    // nothing are refused; with `restoreFolder` false the last component must be a plain name.
    static std::optional<QString> refusal(const QString& storedName, bool restoreFolder);
};

} // namespace kaldoria::unpack
