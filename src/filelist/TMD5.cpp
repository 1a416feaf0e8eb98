#include "filelist/TMD5.h"

#include "platform/FileReader.h"
#include "platform/NativePath.h"

#include <QIODevice>

#include <bit>

namespace kaldoria::filelist {

namespace {

constexpr qint64 blockSize = 8192;

template <typename T> void appendLittleEndian(TMD5& md5, T value) {
    unsigned char bytes[sizeof(T)];
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bytes[i] = static_cast<unsigned char>(std::make_unsigned_t<T>(value) >> (8 * i));
    md5.Add(bytes, sizeof(T));
}

} // namespace

void TMD5::Reset() {
    resetState();
}

void TMD5::Add(QChar value) {
    appendLittleEndian(*this, value.unicode());
}

void TMD5::Add(std::uint8_t value) {
    appendBytes(&value, 1);
}

void TMD5::Add(std::uint16_t value) {
    appendLittleEndian(*this, value);
}

void TMD5::Add(std::int32_t value) {
    appendLittleEndian(*this, value);
}

void TMD5::Add(std::uint32_t value) {
    appendLittleEndian(*this, value);
}

void TMD5::Add(const QString& value) {
    if constexpr (std::endian::native == std::endian::little) {
        appendBytes(value.utf16(), std::size_t(value.size()) * 2);
    } else {
        for (const QChar c : value)
            Add(c);
    }
}

void TMD5::Add(const QStringList& value) {
    for (const QString& line : value)
        Add(line);
}

void TMD5::Add(const void* data, std::size_t size) {
    appendBytes(data, size);
}

Status TMD5::AddFile(const QString& fileName) {
    platform::FileReader file;
    if (!file.open(platform::nativePath(fileName)))
        return Status::failure(QStringLiteral("Cannot open file %1").arg(fileName));
    return AddOpenFile(file, fileName);
}

Status TMD5::AddOpenFile(platform::FileReader& file, const QString& fileName) {
    alignas(64) char buffer[blockSize];
    for (;;) {
        const qint64 n = file.read(buffer, blockSize);
        if (n < 0)
            return Status::failure(QStringLiteral("Cannot read file %1").arg(fileName));
        appendBytes(buffer, std::size_t(n));
        if (n < blockSize)
            return Status::success();
    }
}

Status TMD5::AddStream(QIODevice& stream) {
    const qint64 start = stream.pos();
    alignas(64) char buffer[blockSize];
    Status status = Status::success();
    for (;;) {
        const qint64 wanted = std::min(blockSize, std::max<qint64>(0, stream.size() - stream.pos()));
        const qint64 n = wanted > 0 ? stream.read(buffer, wanted) : 0;
        if (n < 0) {
            status = Status::failure(QStringLiteral("Stream read error"));
            break;
        }
        appendBytes(buffer, std::size_t(n));
        if (n < blockSize)
            break;
    }
    stream.seek(start);
    return status;
}

FileDigest GetFileMD5(const QString& fileName) {
    TMD5 md5;
    Status status = md5.AddFile(fileName);
    if (!status.ok())
        return FileDigest{QString(), std::move(status)};
    return FileDigest{md5.DigestStr(), Status::success()};
}

} // namespace kaldoria::filelist
