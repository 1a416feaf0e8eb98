#include "platform/PlantedLinks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kaldoria::platform {

namespace {

// The folders from just below `root` down to the parent of `path`, outermost first; empty
// when `path` is not below `root`.
QStringList foldersBetween(const QString& root, const QString& path) {
    const QString base = QDir::cleanPath(root) + QLatin1Char('/');
    const QString full = QDir::cleanPath(path);
    QStringList folders;
    if (!full.startsWith(base))
        return folders;
    const QStringList parts = full.mid(base.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = QDir::cleanPath(root);
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        current += QLatin1Char('/') + parts.at(i);
        folders << current;
    }
    return folders;
}

} // namespace

bool PlantedLinks::removeLink(const QString& path) {
    if (!QFileInfo(path).isSymLink())
        return true;
    return QFile::remove(path);
}

bool PlantedLinks::removeLinkedFolders(const QString& root, const QString& path) {
    for (const QString& folder : foldersBetween(root, path)) {
        if (!removeLink(folder))
            return false;
    }
    return true;
}

bool PlantedLinks::passesThroughLink(const QString& root, const QString& path) {
    for (const QString& folder : foldersBetween(root, path)) {
        if (QFileInfo(folder).isSymLink())
            return true;
    }
    return false;
}

} // namespace kaldoria::platform
