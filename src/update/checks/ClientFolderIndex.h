#pragma once

#include <QSet>
#include <QString>

namespace kaldoria::update {

// Which files the client folder holds, read in one walk of the folder, so that checking
// thousands of list names costs one directory read per folder instead of one per name.
// Names are compared as the lists compare them: whatever their letter case.
class ClientFolderIndex {
public:
    explicit ClientFolderIndex(const QString& root);

    // True when the file of list name `name` ("\folder\file") exists.
    bool contains(const QString& name) const;

private:
    static QString keyOf(const QString& relative);

    QSet<QString> m_files;
};

} // namespace kaldoria::update
