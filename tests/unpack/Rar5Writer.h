#pragma once

#include <QByteArray>
#include <QString>

// Writes RAR 5 archives of stored (uncompressed) entries with any stored name, including
// names and links that the rar program refuses to write: the hostile archives of the tests.
class Rar5Writer {
public:
    enum class Host { Windows = 0, Unix = 1 };

    void addFile(const QString& storedName, const QByteArray& content, Host host = Host::Unix);
    void addFolder(const QString& storedName, Host host = Host::Unix);
    // A Unix symbolic link entry pointing at `target`.
    void addSymlink(const QString& storedName, const QString& target);

    QByteArray archive() const;
    bool save(const QString& fileName) const;

private:
    void addEntry(const QString& storedName, const QByteArray& content, quint64 fileFlags, quint64 attributes,
                  Host host, const QByteArray& extra);

    QByteArray entries;
};
