#include "ui/skinapply/RegionData.h"

#include <QWidget>
#include <QtEndian>

#include <algorithm>
#include <vector>

namespace kaldoria::skin {

namespace {

constexpr qsizetype kHeaderSize = 32;
constexpr qsizetype kRectSize = 16;
constexpr quint32 kRectanglesType = 1;
// Coordinates beyond the largest size a window can have are cut off, so that every
// rectangle's width and height fit in an int.
constexpr qint32 kCoordinateLimit = QWIDGETSIZE_MAX;

qint32 int32At(const QByteArray& data, qsizetype offset) {
    return qFromLittleEndian<qint32>(data.constData() + offset);
}

// The union of many rectangles, joined pairwise so that large outlines stay fast.
QRegion unite(const QRect* rects, std::size_t count) {
    if (count == 1)
        return QRegion(rects[0]);
    const std::size_t half = count / 2;
    return unite(rects, half).united(unite(rects + half, count - half));
}

void appendInt32(QByteArray& data, qint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    data.append(bytes, 4);
}

void appendRect(QByteArray& data, const QRect& r) {
    for (qint32 v : {r.left(), r.top(), r.right() + 1, r.bottom() + 1})
        appendInt32(data, v);
}

} // namespace

QByteArray regionToData(const QRegion& region) {
    QByteArray data;
    appendInt32(data, qint32(kHeaderSize));
    appendInt32(data, qint32(kRectanglesType));
    appendInt32(data, qint32(region.rectCount()));
    appendInt32(data, qint32(region.rectCount() * kRectSize));
    appendRect(data, region.boundingRect());
    for (const QRect& r : region)
        appendRect(data, r);
    return data;
}

std::optional<QRegion> regionFromData(const QByteArray& data) {
    if (data.size() < kHeaderSize)
        return std::nullopt;
    const quint32 headerSize = quint32(int32At(data, 0));
    const quint32 type = quint32(int32At(data, 4));
    const quint32 count = quint32(int32At(data, 8));
    if (headerSize != kHeaderSize || type != kRectanglesType)
        return std::nullopt;
    if (qint64(count) > (data.size() - kHeaderSize) / kRectSize)
        return std::nullopt;
    std::vector<QRect> rects;
    rects.reserve(count);
    const auto coordinateAt = [&data](qsizetype offset) {
        return std::clamp(int32At(data, offset), -kCoordinateLimit, kCoordinateLimit);
    };
    for (quint32 i = 0; i < count; ++i) {
        const qsizetype at = kHeaderSize + qsizetype(i) * kRectSize;
        const qint32 left = coordinateAt(at);
        const qint32 top = coordinateAt(at + 4);
        const qint32 right = coordinateAt(at + 8);
        const qint32 bottom = coordinateAt(at + 12);
        if (left < right && top < bottom)
            rects.emplace_back(QPoint(left, top), QPoint(right - 1, bottom - 1));
    }
    if (rects.empty())
        return std::nullopt;
    return unite(rects.data(), rects.size());
}

} // namespace kaldoria::skin
