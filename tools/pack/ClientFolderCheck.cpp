#include "ClientFolderCheck.h"

#include <QDir>
#include <QDirIterator>
#include <QMap>
#include <QSet>

#include <utility>

namespace kaldoria::pack {

namespace {

QString quoted(const QString& name) {
    return u'\'' + name + u'\'';
}

void checkCase(const QStringList& files, QStringList& warnings) {
    QMap<QString, QStringList> byLowerCase;
    for (const QString& file : files)
        byLowerCase[file.toLower()] << quoted(file);
    for (const QStringList& names : std::as_const(byLowerCase)) {
        if (names.size() > 1)
            warnings << u"%1 differ only in case; launchers find files whatever their case, so on a player's disk "
                        u"one would overwrite the other"_qs.arg(names.join(u" and "));
    }
}

void checkEmptyFolders(const QString& client, const QStringList& files, QStringList& warnings) {
    QSet<QString> holdingFiles;
    for (const QString& file : files) {
        for (qsizetype slash = file.lastIndexOf(u'/'); slash > 0; slash = file.lastIndexOf(u'/', slash - 1))
            holdingFiles.insert(file.left(slash));
    }
    QStringList empty;
    QDirIterator it(client, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString folder = QDir(client).relativeFilePath(it.next());
        if (!holdingFiles.contains(folder))
            empty << folder;
    }
    empty.sort();
    for (const QString& folder : empty)
        warnings << u"empty folder %1: it holds no file, so it is not published and launchers never create it"_qs.arg(
            quoted(folder));
}

} // namespace

QStringList checkClientFolder(const QString& client, const QStringList& files) {
    QStringList warnings;
    checkCase(files, warnings);
    checkEmptyFolders(client, files, warnings);
    return warnings;
}

} // namespace kaldoria::pack
