#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace kaldoria::testsupport {

// An update server's folder made the way a publisher makes it: every client file packed
// as a RAR archive under its path plus ".kdz", and the file list "updater.lst" packed as
// bzip2 with its first five bytes replaced ("updater.lst.kdz").
class UpdateServerFolder {
public:
    struct File {
        QByteArray content;
        double date = 0;      // day count, local time; 0 for none
        QString hashOverride; // list hash to write instead of the real one
        bool lowerCasePackedHash = false;
    };

    // `name` as the list writes it: "\folder\file".
    void addFile(const QString& name, const QByteArray& content, double date = 0);
    File& file(const QString& name) { return m_files[name]; }
    void setRequired(const QStringList& names) { m_required = names; }
    void setDelete(const QStringList& names) { m_delete = names; }
    // Lines written into the list as they are (hostile names, blank lines).
    void addRawListLines(const QStringList& lines) { m_rawLines += lines; }

    // Writes the server folder below `folder`; false when `rar` failed.
    bool publish(const QString& folder) const;

    // The list text that publish() packs, one entry per line.
    QStringList listLines(const QString& folder) const;

    // The packed form of one file, as publish() writes it (a RAR archive).
    static bool packFile(const QString& bareName, const QByteArray& content, const QString& archivePath);
    // The packed list: bzip2 with its first five bytes replaced.
    static QByteArray packList(const QByteArray& text);

    static QString md5(const QByteArray& bytes);
    // `size` bytes that do not compress, the same for the same seed.
    static QByteArray noise(int size, quint32 seed = 1);
    static QString dateField(double date);
    // The server path of a list name: "\a\b.dat" gives "a/b.dat".
    static QString serverPath(const QString& name);

private:
    QMap<QString, File> m_files;
    QStringList m_required;
    QStringList m_delete;
    QStringList m_rawLines;
};

} // namespace kaldoria::testsupport
