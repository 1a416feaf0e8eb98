#include "PackedFile.h"

#include "TRAR.h"

#include <platform/Bzip2.h>
#include <platform/FileSync.h>
#include <platform/NativePath.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kaldoria::unpack {

namespace {

// The bzip2 signature, the largest block size and the first byte of the first block's signature.
constexpr char kRestoredHeader[] = {'B', 'Z', 'h', '9', '1'};

UnpackResult failed(const QString& error) {
    return {UnpackResult::Status::Failed, error};
}

// The program's one RAR object: created at first use and kept for the whole run.
TRAR& sharedRAR() {
    static TRAR* const rar = new TRAR;
    return *rar;
}

} // namespace

UnpackResult UnpackPackedFile(const QString& packedFileName, const QString& targetFileName) {
    if (!QFileInfo::exists(packedFileName))
        return {UnpackResult::Status::PackedFileMissing, {}};
    QFile packed(packedFileName);
    if (!packed.open(QIODevice::ReadWrite))
        return failed(QStringLiteral("cannot open %1: %2").arg(packedFileName, packed.errorString()));
    if (packed.write(kRestoredHeader, sizeof kRestoredHeader) != sizeof kRestoredHeader || !packed.flush() ||
        !packed.seek(0))
        return failed(QStringLiteral("cannot restore the header of %1: %2").arg(packedFileName, packed.errorString()));

    QSaveFile target(targetFileName);
    // Unbuffered: a failed write (a full disk) must fail commit(), which a failed flush of
    // buffered data does not.
    if (!target.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(QStringLiteral("cannot create %1: %2").arg(targetFileName, target.errorString()));
    const platform::Bzip2::Result result = platform::Bzip2::decompress(packed, target, kPackedListLimit);
    if (!result.ok()) {
        target.cancelWriting();
        return failed(QStringLiteral("cannot unpack %1: %2").arg(packedFileName, result.message()));
    }
    if (!platform::commitToDisk(target))
        return failed(QStringLiteral("cannot write %1: %2").arg(targetFileName, target.errorString()));
    return {};
}

bool ExtractArchive(const QString& archiveFileName, const QString& targetFolder, std::optional<qint64> sizeLimit) {
    if (!QFileInfo::exists(archiveFileName))
        return false;
    TRAR& rar = sharedRAR();
    rar.setExtractLimit(sizeLimit.value_or(-1));
    return rar.OpenFile(archiveFileName) && rar.Extract(platform::nativePath(targetFolder), false);
}

} // namespace kaldoria::unpack
