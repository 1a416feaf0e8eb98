#include "ConfigPackageWriter.h"

#include "Bzip2Compress.h"

#include "startup/ConfigPackage.h"
#include "startup/PackageKey.h"
#include "startup/XorStreamWithKey.h"

#include <QBuffer>
#include <QtEndian>

namespace kaldoria::pack {

std::optional<QByteArray> writeConfigPackage(const QByteArray& stream) {
    // A stream whose compressed form could not fit the payload limit is refused before
    // compressing; bzip2 never shrinks data by more than a factor of about 50000.
    constexpr qint64 kMaxStream = qint64(1) << 31;
    if (stream.size() >= kMaxStream)
        return std::nullopt;
    std::optional<QByteArray> bzip2 = compressBzip2(stream);
    if (!bzip2 || bzip2->size() > startup::ConfigPackage::kMaxPayload)
        return std::nullopt;
    QByteArray compressed = *bzip2;
    const qsizetype length = compressed.size();

    QBuffer payload(&compressed);
    payload.open(QIODevice::ReadWrite);
    if (!startup::XorStreamWithKey(payload, startup::appliedPackageKey()))
        return std::nullopt;
    QByteArray package(4, '\0');
    qToLittleEndian(qint32(length), package.data());
    return package + compressed;
}

} // namespace kaldoria::pack
