#include "PackedFile.h"

#include "TRAR.h"

#include <platform/Bzip2.h>
#include <platform/FileSync.h>
#include <platform/NativePath.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include <algorithm>
#include <cerrno>
#include <vector>

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
        UnpackResult outcome = failed(QStringLiteral("cannot unpack %1: %2").arg(packedFileName, result.message()));
        if (result.status == platform::Bzip2::Status::WriteFailed &&
            (result.systemError == ENOSPC || result.systemError == EDQUOT)) {
            outcome.diskFull = true;
            // What was written, and the chunk that did not fit: a lower bound of the list's size.
            outcome.bytesNeeded = result.bytesWritten + platform::Bzip2::kChunkSize;
            outcome.bytesFree = QStorageInfo(QFileInfo(targetFileName).absolutePath()).bytesAvailable();
        }
        return outcome;
    }
    if (!platform::commitToDisk(target))
        return failed(QStringLiteral("cannot write %1: %2").arg(targetFileName, target.errorString()));
    return {};
}

namespace {

// Refuses an extracted file whose SHA-256 digest is not the expected one.
class Sha256FileCheck final : public TRARFileCheck {
public:
    explicit Sha256FileCheck(const trust::Sha256Digest& expected) : m_expected(expected) {}

    void begin() override { m_hash = trust::Sha256(); }
    void data(const char* bytes, std::size_t size) override { m_hash.add(bytes, size); }
    QString refusal() override {
        const trust::Sha256Digest found = m_hash.finish();
        if (found == m_expected)
            return {};
        return QStringLiteral("SHA-256 mismatch: %1 was expected, the extracted file has %2")
            .arg(trust::toHex(m_expected), trust::toHex(found));
    }

private:
    const trust::Sha256Digest m_expected;
    trust::Sha256 m_hash;
};

} // namespace

ExtractOutcome ExtractArchive(const QString& archiveFileName, const QString& targetFolder,
                              std::optional<qint64> sizeLimit, const std::optional<trust::Sha256Digest>& sha256) {
    ExtractOutcome outcome;
    if (!QFileInfo::exists(archiveFileName)) {
        outcome.reason = QStringLiteral("the packed file is missing");
        return outcome;
    }
    TRAR& rar = sharedRAR();
    rar.setExtractLimit(sizeLimit.value_or(-1));
    std::vector<int> codes;
    rar.OnError = [&codes](TRAR&, int code, TRAROperation) { codes.push_back(code); };
    std::optional<Sha256FileCheck> check;
    if (sha256)
        check.emplace(*sha256);
    rar.setFileCheck(check ? &*check : nullptr);
    const bool opened = rar.OpenFile(archiveFileName);
    const QString folder = platform::nativePath(targetFolder);
    outcome.extracted = opened && rar.Extract(folder, false);
    rar.OnError = nullptr;
    rar.setFileCheck(nullptr);
    if (outcome.extracted)
        return outcome;

    outcome.bytesNeeded = rar.ArchiveInformation().UnCompressedSize();
    outcome.bytesFree = QStorageInfo(QFileInfo(folder).absoluteFilePath()).bytesAvailable();
    const bool writeFailed = std::any_of(codes.begin(), codes.end(), [](int code) {
        return code == RARError::WriteFailed || code == RARError::CreateFailed;
    });
    outcome.diskFull = writeFailed && outcome.bytesFree >= 0 && outcome.bytesFree < outcome.bytesNeeded;
    if (outcome.diskFull)
        outcome.reason = QStringLiteral("disk full: %1 bytes needed, %2 free")
                             .arg(QString::number(outcome.bytesNeeded), QString::number(outcome.bytesFree));
    else if (!rar.LastRefusal().isEmpty())
        outcome.reason = QStringLiteral("refused entry: ") + rar.LastRefusal();
    else if (sizeLimit && rar.ProgressInfo().TotalSize > *sizeLimit)
        outcome.reason = QStringLiteral("the archive holds more than the %1 bytes expected").arg(*sizeLimit);
    else if (!codes.empty())
        outcome.reason = (opened ? QStringLiteral("extraction failed, UnRAR code %1")
                                 : QStringLiteral("damaged or unreadable archive, UnRAR code %1"))
                             .arg(codes.front());
    else
        outcome.reason = QStringLiteral("extraction stopped");
    return outcome;
}

} // namespace kaldoria::unpack
