#include "update/install/PartialDownloads.h"

#include "filelist/TFileList.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSet>

namespace kaldoria::update {

namespace {

const QString kPrefix = QStringLiteral("$part.");

QString stemOf(const QString& name) {
    const QByteArray key = filelist::TFileList::KeyOf(name).toUtf8();
    return kPrefix + QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Md5).toHex()) +
           QStringLiteral(".kdz");
}

} // namespace

QString PartialDownloads::packedPath(const QString& workFolder, const QString& name) {
    return workFolder + QLatin1Char('/') + stemOf(name);
}

int PartialDownloads::removeUnwanted(const QString& workFolder, const QStringList& wanted) {
    QSet<QString> kept;
    for (const QString& name : wanted)
        kept.insert(stemOf(name));
    int removed = 0;
    const QDir folder(workFolder);
    for (const QString& file : folder.entryList({kPrefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden)) {
        // "$part.<hex>.kdz" and what the engine keeps beside it.
        const QString stem = file.left(kPrefix.size() + 32 + 4);
        if (!kept.contains(stem) && QFile::remove(folder.filePath(file)))
            ++removed;
    }
    return removed;
}

} // namespace kaldoria::update
