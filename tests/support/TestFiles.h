#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace kaldoria::testsupport {

// `size` bytes of a fixed pseudo-random pattern; the same size gives the same bytes.
QByteArray patternBytes(qint64 size);

// `size` bytes drawn from std::mt19937 seeded with `seed`; the same on every platform.
QByteArray randomBytes(qsizetype size, unsigned seed);

// Writes patternBytes(size) to `path` in blocks (works for large files); false on an error.
bool writePatternFile(const QString& path, qint64 size);

// The bytes of `path`; empty when it cannot be read.
QByteArray readFileBytes(const QString& path);

// Writes `bytes` to `path`, making its folders first; false on an error.
bool writeFileBytes(const QString& path, const QByteArray& bytes);

// True when both files exist and hold the same bytes.
bool sameFileContents(const QString& first, const QString& second);

} // namespace kaldoria::testsupport
