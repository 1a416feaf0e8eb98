#pragma once

#include "trust/Sha256.h"
#include "trust/TrustedKey.h"

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

namespace kaldoria::trust {

// One listed file: its name exactly as the list writes it ("\data\x.dat"), the SHA-256 of
// its packed form on the server (the ".kdz" archive) and of the file the archive holds, and
// of its chunk index (".kdc") when the server has one.
struct ManifestFile {
    QString name;
    Sha256Digest packed{};
    Sha256Digest unpacked{};
    std::optional<Sha256Digest> index;

    bool operator==(const ManifestFile&) const = default;
};

// What an operator vouches for with one signature over one published server folder.
struct ManifestData {
    // Version 1 knows no chunk indexes. A manifest that covers one is written as version 2,
    // so that launchers which predate chunks keep reading folders published without them.
    static constexpr int kFormatVersion = 1;
    static constexpr int kIndexFormatVersion = 2;

    // Grows with every publication (the publish time in seconds since 1970 UTC, or one more
    // than the previous serial); a launcher refuses a serial below the highest it accepted.
    qint64 serial = 0;
    // Seconds since 1970 UTC after which the manifest is stale and must be refused.
    qint64 expires = 0;
    // SHA-256 of the unpacked list "updater.lst", byte for byte as the packed list unpacks.
    Sha256Digest list{};
    // Every file of the list's file section, in list order.
    std::vector<ManifestFile> files;
    // Keys the next manifest may be signed with instead of the present ones (key rotation);
    // empty when the trusted keys stay as they are.
    std::vector<TrustedKey> nextKeys;

    // Whether the manifest is stale at `nowSeconds` (seconds since 1970 UTC).
    bool expiredAt(qint64 nowSeconds) const { return nowSeconds >= expires; }

    // The files by nameKey of their names, for looking up each list entry.
    QHash<QString, ManifestFile> filesByName() const;
    // A list name as file lists compare names: trimmed and lower-cased.
    static QString nameKey(const QString& listName) { return listName.trimmed().toLower(); }

    bool operator==(const ManifestData&) const = default;
};

} // namespace kaldoria::trust
