#include "app/LeftoverFiles.h"

#include "unpack/ExtractionTemporary.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

namespace kaldoria::app {

namespace {

bool isWorkFolderLeftover(const QString& name) {
    static const QRegularExpression pattern(
        QStringLiteral("^(\\$tmp(\\.\\d+)?\\.kdz|_part_\\d+\\.tmp|(Kaldoria\\.ini|OldList\\.lst)\\.[A-Za-z0-9]{6})$"));
    return pattern.match(name).hasMatch();
}

bool isClientFolderLeftover(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^updater\\.lst\\.[A-Za-z0-9]{6}$"));
    return pattern.match(name).hasMatch();
}

} // namespace

int LeftoverFiles::removeFrom(const QString& clientFolder) {
    int removed = 0;
    const QString root = QDir::cleanPath(clientFolder);
    const QString workFolder = root + QStringLiteral("/updater");
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = it.fileName();
        const QString folder = it.fileInfo().path();
        const bool leftover = unpack::ExtractionTemporary::matches(name) ||
                              (folder == workFolder && isWorkFolderLeftover(name)) ||
                              (folder == root && isClientFolderLeftover(name));
        if (leftover && QFile::remove(path))
            ++removed;
    }
    return removed;
}

} // namespace kaldoria::app
