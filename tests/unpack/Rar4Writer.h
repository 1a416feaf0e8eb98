#pragma once

#include <QByteArray>
#include <QString>

// Writes RAR 4 archives of stored entries made on Windows, whose stored names use "\" as the
// folder separator (the UnRAR library turns it into "/" here), with any name at all.
class Rar4Writer {
public:
    void addFile(const QString& storedName, const QByteArray& content);
    QByteArray archive() const;
    bool save(const QString& fileName) const;

private:
    QByteArray entries;
};
