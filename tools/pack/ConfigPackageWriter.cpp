#include "ConfigPackageWriter.h"

#include "startup/ConfigPackage.h"
#include "startup/PackageKey.h"
#include "startup/XorStreamWithKey.h"

#include <QBuffer>
#include <QtEndian>

#include <bzlib.h>

namespace kaldoria::pack {

std::optional<QByteArray> writeConfigPackage(const QByteArray& stream) {
    // A stream whose compressed form could not fit the payload limit is refused before
    // compressing; bzip2 never shrinks data by more than a factor of about 50000.
    constexpr qint64 kMaxStream = qint64(1) << 31;
    if (stream.size() >= kMaxStream)
        return std::nullopt;
    // bzip2's output bound for incompressible data: 1% plus 600 bytes.
    QByteArray compressed(stream.size() + stream.size() / 100 + 601, '\0');
    unsigned int length = unsigned(compressed.size());
    if (BZ2_bzBuffToBuffCompress(compressed.data(), &length, const_cast<char*>(stream.constData()),
                                 unsigned(stream.size()), 9, 0, 0) != BZ_OK ||
        length > unsigned(startup::ConfigPackage::kMaxPayload))
        return std::nullopt;
    compressed.truncate(qsizetype(length));

    QBuffer payload(&compressed);
    payload.open(QIODevice::ReadWrite);
    if (!startup::XorStreamWithKey(payload, startup::appliedPackageKey()))
        return std::nullopt;
    QByteArray package(4, '\0');
    qToLittleEndian(qint32(length), package.data());
    return package + compressed;
}

} // namespace kaldoria::pack
