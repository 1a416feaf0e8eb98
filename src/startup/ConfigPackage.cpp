#include "startup/ConfigPackage.h"

#include "startup/DecompressStream.h"
#include "startup/PackageKey.h"
#include "startup/XorStreamWithKey.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>

namespace kaldoria::startup {

namespace {

// The debug copy of the payload; a copy that cannot be written does not stop the load.
void saveDebugCopy(const QByteArray& payload) {
    QFile file(QStringLiteral("config.pack"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(payload);
}

} // namespace

std::optional<QByteArray> ConfigPackage::decode(const std::optional<QByteArray>& resource, tDebugFile* log) {
    if (!resource || resource->size() < 4)
        return std::nullopt;
    const qint32 n = qFromLittleEndian<qint32>(resource->constData());
    if (log)
        log->WriteErr(QStringLiteral("  read config from memory.. config size: %1").arg(n));
    if (n < 0 || n > kMaxPayload || resource->size() - 4 < n)
        return std::nullopt;
    const QByteArray payload = resource->mid(4, n);
    if (log && log->enabled)
        saveDebugCopy(payload);

    QBuffer source;
    source.setData(payload);
    source.open(QIODevice::ReadWrite);
    if (!XorStreamWithKey(source, appliedPackageKey()) || !source.seek(0))
        return std::nullopt;
    QBuffer decoded;
    decoded.open(QIODevice::WriteOnly);
    if (!DecompressStream(source, decoded, kMaxDecoded))
        return std::nullopt;
    return decoded.data();
}

} // namespace kaldoria::startup
