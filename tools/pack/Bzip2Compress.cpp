#include "Bzip2Compress.h"

#include <bzlib.h>

#include <limits>

namespace kaldoria::pack {

std::optional<QByteArray> compressBzip2(const QByteArray& data) {
    // bzip2's output bound for incompressible data: 1% plus 600 bytes.
    const qint64 bound = qint64(data.size()) + data.size() / 100 + 601;
    if (bound > std::numeric_limits<unsigned>::max())
        return std::nullopt;
    QByteArray compressed(qsizetype(bound), '\0');
    unsigned length = unsigned(bound);
    if (BZ2_bzBuffToBuffCompress(compressed.data(), &length, const_cast<char*>(data.constData()), unsigned(data.size()),
                                 9, 0, 0) != BZ_OK)
        return std::nullopt;
    compressed.truncate(qsizetype(length));
    return compressed;
}

} // namespace kaldoria::pack
