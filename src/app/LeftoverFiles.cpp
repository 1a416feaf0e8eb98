#include "app/LeftoverFiles.h"

#include "unpack/ExtractionTemporary.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

namespace kaldoria::app {

namespace {

bool isWorkFolderLeftover(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral(
        "^(\\$tmp\\.kdz|_part_\\d+\\.tmp|(Kaldoria\\.ini|OldList\\.lst|updater\\.lst)\\.[A-Za-z0-9]{6})$"));
    return pattern.match(name).hasMatch();
}

} // namespace

int LeftoverFiles::removeFrom(const QString& clientFolder) {
    int removed = 0;
    const QString workFolder = QDir(clientFolder).filePath(QStringLiteral("updater"));
    QDirIterator it(clientFolder, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = it.fileName();
        const bool leftover = unpack::ExtractionTemporary::matches(name) ||
                              (it.fileInfo().path() == workFolder && isWorkFolderLeftover(name));
        if (leftover && QFile::remove(path))
            ++removed;
    }
    return removed;
}

} // namespace kaldoria::app
