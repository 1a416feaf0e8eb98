#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <initializer_list>

// A fresh temporary folder per test with helpers to make files and archives in it.
class UnpackFixture : public ::testing::Test {
protected:
    // Absolute path of `relative` inside the test folder.
    QString path(const QString& relative) const;
    // Writes `content` to `relative` (folders created), returns the absolute path.
    QString writeFile(const QString& relative, const QByteArray& content) const;
    QByteArray readFile(const QString& relative) const;
    bool exists(const QString& relative) const;
    // Every file and folder below `relative`, as sorted paths relative to it.
    QStringList tree(const QString& relative = {}) const;

    // Runs `rar a -y -idq OPTIONS ARCHIVE FILES...` in the folder `from` (relative); true on
    // exit code 0.
    bool rar(const QString& archive, const QStringList& files, const QStringList& options = {},
             const QString& from = {}) const;
    // Flips the byte at `offset` of the file `relative` (negative: from the end).
    void flipByte(const QString& relative, qint64 offset) const;

    QTemporaryDir folder;
};

// Readable failure messages for Qt strings.
QT_BEGIN_NAMESPACE
void PrintTo(const QString& text, std::ostream* out);
QT_END_NAMESPACE

// A string list from 8-bit literals, for tables of names.
QStringList strings(std::initializer_list<const char*> items);

// A deterministic, poorly compressible byte pattern of `size` bytes.
QByteArray patternBytes(qint64 size, quint32 seed = 1);
