// Fuzz target for unpacking the packed file list: any bytes as "updater.lst.kdz" either
// unpack to a list no larger than the list limit or fail and leave no list behind.
#include "unpack/PackedFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace kaldoria::unpack;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir folder;
    const QString packed = folder.filePath(QStringLiteral("updater.lst.kdz"));
    const QString list = folder.filePath(QStringLiteral("updater.lst"));
    QFile::remove(list);
    QFile file(packed);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data), qsizetype(size));
    file.close();

    const UnpackResult result = UnpackPackedFile(packed, list);
    const QFileInfo unpacked(list);
    if (result.status == UnpackResult::Status::Unpacked) {
        if (!unpacked.isFile() || unpacked.size() > kPackedListLimit)
            std::abort();
    } else if (unpacked.exists()) {
        std::abort();
    }
    return 0;
}
