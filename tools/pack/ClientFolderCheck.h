#pragma once

#include <QString>
#include <QStringList>

namespace kaldoria::pack {

// Warnings about a client folder before it is published. `files` are the paths, relative
// to `client` with "/" between folders, of the files that will be published.
// - Names that differ only in case: launchers find files whatever their case, so on a
//   player's disk one of them would overwrite the other.
// - Folders with no file anywhere below them: only files are published, so launchers
//   never create such a folder.
QStringList checkClientFolder(const QString& client, const QStringList& files);

} // namespace kaldoria::pack
