#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QtEndian>

#include <initializer_list>

// Builds skin stream bytes field by field, for the reader tests.
namespace skintest {

inline QByteArray le32(qint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

inline QByteArray le64(qint64 v) {
    QByteArray b(8, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

inline QByteArray sized(const QByteArray& content) {
    return le64(content.size()) + content;
}

// An element payload holding `items` as sized blocks (an empty item has length 0).
inline QByteArray payload(std::initializer_list<QByteArray> items) {
    QByteArray content;
    for (const QByteArray& item : items)
        content += sized(item);
    return sized(content);
}

inline QByteArray record(quint8 tag, const QByteArray& payloadBytes) {
    return QByteArray(1, char(tag)) + payloadBytes;
}

inline QByteArray block(qint32 version, std::initializer_list<QByteArray> records) {
    QByteArray out = le32(version) + le32(qint32(records.size()));
    for (const QByteArray& r : records)
        out += r;
    return out;
}

// A BMP file of the given size, filled with one colour.
inline QByteArray bmp(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

} // namespace skintest
