#pragma once

#include "trust/SigningKey.h"
#include "trust/TrustedKey.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kaldoria::filelist {
class TFileList;
}

namespace kaldoria::pack {

// Signs what publish wrote: "updater.sig" in the server folder, covering the unpacked list
// and every listed file's archive and content. Everything that can fail before the folder is
// touched (the keys, the serial of an earlier manifest) is settled by prepare().
class ManifestSigner {
public:
    static constexpr qint64 kDefaultExpiryDays = 30;
    static constexpr qint64 kLongestExpiryDays = 3650;

    // Reads the signing key and the next keys, and the serial of an "updater.sig" already in
    // `server` (the new serial must pass it). Nothing and `error` set when any of it fails.
    static std::optional<ManifestSigner> prepare(const QString& keyPath, qint64 expiryDays,
                                                 const QStringList& nextKeyPaths, const QString& server,
                                                 QString& error);

    // Writes "updater.sig" for the list `listText` with the entries of `list`, whose files lie
    // in `client` and whose archives in `server`; with `indexes`, also each file's chunk index
    // in `server`. The error message, or empty on success.
    QString write(const QByteArray& listText, const filelist::TFileList& list, const QString& client,
                  bool indexes) const;

    qint64 serial() const { return m_serial; }

private:
    ManifestSigner(trust::SigningKey key, qint64 expiryDays, std::vector<trust::TrustedKey> nextKeys, QString server,
                   qint64 serial);

    trust::SigningKey m_key;
    qint64 m_expiryDays;
    std::vector<trust::TrustedKey> m_nextKeys;
    QString m_server;
    qint64 m_serial;
};

} // namespace kaldoria::pack
