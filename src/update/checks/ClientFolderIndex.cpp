#include "update/checks/ClientFolderIndex.h"

#include "platform/ClientPath.h"

#include <QDirIterator>

namespace kaldoria::update {

ClientFolderIndex::ClientFolderIndex(const QString& root) {
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        m_files.insert(keyOf(it.next().mid(root.size())));
}

QString ClientFolderIndex::keyOf(const QString& relative) {
    return platform::ClientPath::components(relative).join(QLatin1Char('/')).toLower();
}

bool ClientFolderIndex::contains(const QString& name) const {
    return m_files.contains(keyOf(name));
}

} // namespace kaldoria::update
