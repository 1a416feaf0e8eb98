#include "ManifestSigner.h"

#include "ChunkPublisher.h"
#include "ListName.h"
#include "OutputFile.h"

#include "filelist/TFileList.h"
#include "trust/SignedManifest.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace kaldoria::pack {

using trust::Result;

ManifestSigner::ManifestSigner(trust::SigningKey key, qint64 expiryDays, std::vector<trust::TrustedKey> nextKeys,
                               QString server, qint64 serial)
    : m_key(std::move(key)), m_expiryDays(expiryDays), m_nextKeys(std::move(nextKeys)), m_server(std::move(server)),
      m_serial(serial) {}

std::optional<ManifestSigner> ManifestSigner::prepare(const QString& keyPath, qint64 expiryDays,
                                                      const QStringList& nextKeyPaths, const QString& server,
                                                      QString& error) {
    if (expiryDays < 1 || expiryDays > kLongestExpiryDays) {
        error = QStringLiteral("--expires takes a number of days from 1 to %1").arg(kLongestExpiryDays);
        return std::nullopt;
    }
    Result<trust::SigningKey> key = trust::SigningKey::readPem(keyPath);
    if (!key.ok()) {
        error = key.error();
        return std::nullopt;
    }
    std::vector<trust::TrustedKey> nextKeys;
    for (const QString& path : nextKeyPaths) {
        Result<trust::TrustedKey> next = trust::TrustedKey::readPem(path);
        if (!next.ok()) {
            error = next.error();
            return std::nullopt;
        }
        if (std::find(nextKeys.begin(), nextKeys.end(), next.value()) != nextKeys.end()) {
            error = QStringLiteral("%1: the same next key is given twice").arg(path);
            return std::nullopt;
        }
        nextKeys.push_back(std::move(next).value());
    }

    // The publish time, unless an earlier manifest here has a serial that is not below it.
    qint64 serial = QDateTime::currentSecsSinceEpoch();
    const QString previousPath = QDir(server).filePath(QString::fromLatin1(trust::SignedManifest::kFileName));
    if (QFileInfo::exists(previousPath)) {
        const std::optional<QByteArray> bytes = readInputFile(previousPath, error);
        if (!bytes)
            return std::nullopt;
        const Result<trust::ParsedManifest> previous = trust::SignedManifest::parse(*bytes);
        if (!previous.ok()) {
            error = QStringLiteral("%1: %2; its serial must be passed, so remove it only if no launcher has seen it")
                        .arg(previousPath, previous.error());
            return std::nullopt;
        }
        serial = std::max(serial, previous.value().data.serial + 1);
    }
    return ManifestSigner(std::move(key).value(), expiryDays, std::move(nextKeys), server, serial);
}

QString ManifestSigner::write(const QByteArray& listText, const filelist::TFileList& list, const QString& client,
                              bool indexes) const {
    trust::ManifestData data;
    data.serial = m_serial;
    data.expires = QDateTime::currentSecsSinceEpoch() + m_expiryDays * 24 * 60 * 60;
    data.list = trust::Sha256::of(listText);
    data.nextKeys = m_nextKeys;
    for (int i = 0; i < list.Count(); ++i) {
        const QString& name = list.GetItemByID(i)->Content.Name;
        const QString relative = relativePath(name);
        const Result<trust::Sha256Digest> packed =
            trust::Sha256::ofFile(QDir(m_server).filePath(relative + QStringLiteral(".kdz")));
        const Result<trust::Sha256Digest> unpacked = trust::Sha256::ofFile(QDir(client).filePath(relative));
        if (!packed.ok() || !unpacked.ok())
            return packed.ok() ? unpacked.error() : packed.error();
        data.files.push_back({name, packed.value(), unpacked.value(), std::nullopt});
        if (indexes) {
            const Result<trust::Sha256Digest> index =
                trust::Sha256::ofFile(ChunkPublisher::indexPath(m_server, relative));
            if (!index.ok())
                return index.error();
            data.files.back().index = index.value();
        }
    }
    const Result<QByteArray> manifest = trust::SignedManifest::serialize(data, m_key);
    if (!manifest.ok())
        return manifest.error();
    return writeOutputFile(QDir(m_server).filePath(QString::fromLatin1(trust::SignedManifest::kFileName)),
                           manifest.value());
}

} // namespace kaldoria::pack
