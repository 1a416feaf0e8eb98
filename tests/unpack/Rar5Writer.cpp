#include "Rar5Writer.h"

#include "Crc32.h"

#include <QFile>

namespace {

QByteArray vint(quint64 value) {
    QByteArray out;
    do {
        quint8 byte = value & 0x7F;
        value >>= 7;
        if (value != 0)
            byte |= 0x80;
        out.append(static_cast<char>(byte));
    } while (value != 0);
    return out;
}

QByteArray uint32(quint32 value) {
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
}

// One header block: CRC32 of the size field and the body, the size, then the body.
QByteArray block(const QByteArray& body) {
    const QByteArray sized = vint(static_cast<quint64>(body.size())) + body;
    return uint32(crc32(sized)) + sized;
}

constexpr quint64 kHeaderHasExtra = 0x0001;
constexpr quint64 kHeaderHasData = 0x0002;
constexpr quint64 kFileIsFolder = 0x0001;
constexpr quint64 kFileHasTime = 0x0002;
constexpr quint64 kFileHasCrc = 0x0004;
constexpr quint32 kModificationTime = 1700000000; // 2023-11-14, Unix time

} // namespace

void Rar5Writer::addEntry(const QString& storedName, const QByteArray& content, quint64 fileFlags, quint64 attributes,
                          Host host, const QByteArray& extra) {
    const QByteArray name = storedName.toUtf8();
    quint64 headerFlags = kHeaderHasData;
    if (!extra.isEmpty())
        headerFlags |= kHeaderHasExtra;
    fileFlags |= kFileHasTime | kFileHasCrc;
    QByteArray body = vint(2) + vint(headerFlags);
    if (!extra.isEmpty())
        body += vint(static_cast<quint64>(extra.size()));
    body += vint(static_cast<quint64>(content.size()));
    body += vint(fileFlags) + vint(static_cast<quint64>(content.size())) + vint(attributes) +
            uint32(kModificationTime) + uint32(crc32(content));
    body += vint(0) /* stored, no compression */ + vint(static_cast<quint64>(host)) +
            vint(static_cast<quint64>(name.size())) + name + extra;
    entries += block(body) + content;
}

void Rar5Writer::addFile(const QString& storedName, const QByteArray& content, Host host) {
    addEntry(storedName, content, 0, host == Host::Unix ? 0100644 : 0x20, host, {});
}

void Rar5Writer::addFolder(const QString& storedName, Host host) {
    addEntry(storedName, {}, kFileIsFolder, host == Host::Unix ? 040755 : 0x10, host, {});
}

void Rar5Writer::addSymlink(const QString& storedName, const QString& target) {
    const QByteArray targetName = target.toUtf8();
    constexpr quint64 kRedirectionRecord = 5;
    constexpr quint64 kUnixSymlink = 1;
    const QByteArray record = vint(kRedirectionRecord) + vint(kUnixSymlink) + vint(0) +
                              vint(static_cast<quint64>(targetName.size())) + targetName;
    addEntry(storedName, {}, 0, 0120777, Host::Unix, vint(static_cast<quint64>(record.size())) + record);
}

QByteArray Rar5Writer::archive() const {
    static const QByteArray signature("Rar!\x1A\x07\x01\x00", 8);
    const QByteArray mainHeader = block(vint(1) + vint(0) + vint(0));
    const QByteArray endHeader = block(vint(5) + vint(0) + vint(0));
    return signature + mainHeader + entries + endHeader;
}

bool Rar5Writer::save(const QString& fileName) const {
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(archive()) == archive().size();
}
