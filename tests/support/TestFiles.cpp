#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <random>

namespace kaldoria::testsupport {

namespace {
constexpr qint64 kBlockBytes = 1 << 20;

// Fills `block` with the pattern starting at byte `offset` of the file.
void fillPattern(QByteArray& block, qint64 offset) {
    for (qint64 i = 0; i < block.size(); ++i) {
        quint64 x = quint64(offset + i) * 0x9E3779B97F4A7C15ull;
        x ^= x >> 29;
        block[i] = char(x >> 17);
    }
}
} // namespace

QByteArray patternBytes(qint64 size) {
    QByteArray bytes(size, Qt::Uninitialized);
    fillPattern(bytes, 0);
    return bytes;
}

QByteArray randomBytes(qsizetype size, unsigned seed) {
    std::mt19937 random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(random());
    return bytes;
}

bool writePatternFile(const QString& path, qint64 size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray block;
    for (qint64 done = 0; done < size; done += block.size()) {
        block.resize(qMin(kBlockBytes, size - done));
        fillPattern(block, done);
        if (file.write(block) != block.size())
            return false;
    }
    return true;
}

bool sameFileContents(const QString& first, const QString& second) {
    QFile a(first);
    QFile b(second);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.size() != b.size())
        return false;
    while (!a.atEnd()) {
        if (a.read(kBlockBytes) != b.read(kBlockBytes))
            return false;
    }
    return true;
}

QByteArray readFileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFileBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace kaldoria::testsupport
