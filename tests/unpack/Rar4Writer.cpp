#include "Rar4Writer.h"

#include "Crc32.h"

#include <QFile>

namespace {

QByteArray le(quint32 value, int bytes) {
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
}

// A block: the low 16 bits of the CRC-32 of everything after the CRC field, then that.
QByteArray block(const QByteArray& afterCrc) {
    return le(crc32(afterCrc) & 0xFFFF, 2) + afterCrc;
}

constexpr quint8 kArchiveHeader = 0x73;
constexpr quint8 kFileHeader = 0x74;
constexpr quint8 kEndOfArchive = 0x7B;
constexpr quint16 kLongBlock = 0x8000;
constexpr quint8 kWindowsHost = 2;
constexpr quint32 kDosTime = (43u << 25) | (11u << 21) | (14u << 16); // 2023-11-14 00:00
constexpr quint8 kVersion20 = 20;
constexpr quint8 kStored = 0x30;
constexpr quint32 kArchiveAttribute = 0x20;

} // namespace

void Rar4Writer::addFile(const QString& storedName, const QByteArray& content) {
    const QByteArray name = storedName.toLatin1();
    const quint32 headerSize = 32 + static_cast<quint32>(name.size());
    const QByteArray header =
        le(kFileHeader, 1) + le(kLongBlock, 2) + le(headerSize, 2) + le(static_cast<quint32>(content.size()), 4) +
        le(static_cast<quint32>(content.size()), 4) + le(kWindowsHost, 1) + le(crc32(content), 4) + le(kDosTime, 4) +
        le(kVersion20, 1) + le(kStored, 1) + le(static_cast<quint32>(name.size()), 2) + le(kArchiveAttribute, 4) + name;
    entries += block(header) + content;
}

QByteArray Rar4Writer::archive() const {
    static const QByteArray marker("Rar!\x1A\x07\x00", 7);
    const QByteArray archiveHeader = block(le(kArchiveHeader, 1) + le(0, 2) + le(13, 2) + le(0, 2) + le(0, 4));
    const QByteArray end = block(le(kEndOfArchive, 1) + le(0x4000, 2) + le(7, 2));
    return marker + archiveHeader + entries + end;
}

bool Rar4Writer::save(const QString& fileName) const {
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(archive()) == archive().size();
}
