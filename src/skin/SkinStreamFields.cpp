#include "skin/SkinStreamFields.h"

#include <QtEndian>

namespace kaldoria::skin {

namespace {

// The next `size` bytes, or nothing when fewer are left (the position is then unchanged).
std::optional<QByteArray> readExactly(QIODevice& device, qint64 size) {
    if (size > device.bytesAvailable())
        return std::nullopt;
    QByteArray bytes = device.read(size);
    if (bytes.size() != size)
        return std::nullopt;
    return bytes;
}

std::optional<qint64> readLength(QIODevice& device) {
    const auto bytes = readExactly(device, 8);
    if (!bytes)
        return std::nullopt;
    return qFromLittleEndian<qint64>(bytes->constData());
}

} // namespace

std::optional<qint32> readInt32(QIODevice& device) {
    const auto bytes = readExactly(device, 4);
    if (!bytes)
        return std::nullopt;
    return qFromLittleEndian<qint32>(bytes->constData());
}

std::optional<quint8> readTag(QIODevice& device) {
    const auto bytes = readExactly(device, 1);
    if (!bytes)
        return std::nullopt;
    return quint8(bytes->at(0));
}

std::optional<QByteArray> readSizedBlock(QIODevice& device) {
    const auto length = readLength(device);
    if (!length)
        return std::nullopt;
    if (*length <= 0)
        return QByteArray();
    return readExactly(device, *length);
}

bool skipSizedBlock(QIODevice& device) {
    const auto length = readLength(device);
    if (!length)
        return false;
    if (*length <= 0)
        return true;
    if (*length > device.bytesAvailable())
        return false;
    return device.seek(device.pos() + *length);
}

} // namespace kaldoria::skin
