#include "update/install/TSingleFileUpdate.h"
#include "update/chunkpatch/KeptIndex.h"
#include "update/install/PartialDownloads.h"

#include "platform/ClientPath.h"
#include "platform/PlantedLinks.h"

#include "chunks/ChunkIndex.h"
#include "chunks/ChunkStore.h"
#include "download/ResumeRecord.h"
#include "filelist/TMD5.h"
#include "net/PathSegments.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kaldoria::update {

QString TSingleFileUpdate::packedAddress(const QString& urlMain, const QString& name) {
    // The base address is used as configured; only the file's own name is encoded.
    return urlMain + net::encodePathSegments(name.mid(1) + QStringLiteral(".kdz"));
}

TSingleFileUpdate::Prepared TSingleFileUpdate::prepare(const filelist::TFileRecord& record) {
    if (!platform::ClientPath::isConfined(record.Name)) {
        m_s.log(QStringLiteral("Refused name outside the client folder: ") + record.Name);
        return {.refusal = QStringLiteral("name outside the client folder")};
    }
    InstallTask task;
    if (m_s.signedFiles) {
        const auto signedFile = m_s.signedFiles->constFind(trust::ManifestData::nameKey(record.Name));
        if (signedFile == m_s.signedFiles->cend())
            return {.refusal = QStringLiteral("the signed manifest does not name this file")};
        task.signedFile = *signedFile;
    }
    task.record = record;
    task.placedPath = m_s.clientPath(record.Name);
    task.folder = QFileInfo(task.placedPath).path();
    task.ownFile = QFileInfo(task.placedPath).fileName().toLower() == m_s.ownProgramName().toLower();
    if (task.ownFile && m_s.restarted) {
        return {.refusal = QStringLiteral("the launcher was replaced once in this run and does not match the list; it "
                                          "is not replaced again")};
    }
    // A linked folder in the way is replaced by a real one: nothing is written through a link.
    platform::PlantedLinks::removeLinkedFolders(m_s.mainPath, task.placedPath);
    QDir().mkpath(task.folder);

    // A local copy spelled in another case than the list names it would stay beside the new
    // file, so it gives way first.
    const QString listedName = QFileInfo(QString(record.Name).replace(QLatin1Char('\\'), QLatin1Char('/'))).fileName();
    if (!task.ownFile && QFileInfo(task.placedPath).fileName() != listedName && QFileInfo(task.placedPath).isFile())
        QFile::remove(task.placedPath);

    // The running program file stays in place until the new one is renamed over it, so that a
    // crash at any moment leaves a program to start; its copy ".bak" marks the self-update.
    if (task.ownFile) {
        QFile::remove(task.placedPath + QStringLiteral(".bak"));
        QFile::copy(task.placedPath, task.placedPath + QStringLiteral(".bak"));
        m_s.self = true;
    }

    task.packedPath = PartialDownloads::packedPath(m_s.tmpPath, record.Name);
    task.expectedMd5 = record.HashPacked == filelist::ZeroDigest() ? QString() : record.HashPacked;
    if (m_s.localSource.enabled)
        task.localCopy =
            platform::ClientPath::resolve(m_s.localSource.folder, record.Name.mid(1) + QStringLiteral(".kdz"));
    else
        task.address = packedAddress(m_s.URLMain, record.Name);
    if (!m_s.localSource.enabled) {
        for (const QString& mirror : m_s.mirrors)
            task.mirrorAddresses.append(packedAddress(mirror, record.Name));
    }
    // The launcher's own program always comes in its archive; a signed file only through an
    // index the manifest vouches for.
    if (!m_s.localSource.enabled && !task.ownFile && (!task.signedFile || task.signedFile->index)) {
        task.indexAddress =
            m_s.URLMain + net::encodePathSegments(record.Name.mid(1) + QLatin1String(chunks::ChunkIndex::kSuffix));
        for (const QString& server : QStringList{m_s.URLMain} + m_s.mirrors)
            task.chunkStores.append(server + QLatin1String(chunks::ChunkStore::kFolderName) + QLatin1Char('/'));
        task.keptIndexPath = KeptIndex::pathFor(m_s.tmpPath, record.Name);
    }
    return {.task = std::move(task)};
}

void TSingleFileUpdate::abandon(const InstallTask& task) {
    if (!QFileInfo::exists(download::ResumeRecord::controlPath(task.packedPath)))
        QFile::remove(task.packedPath);
    if (task.ownFile) {
        // The old program file is still in place; no restart happens.
        QFile::remove(task.placedPath + QStringLiteral(".bak"));
        m_s.self = false;
    }
}

} // namespace kaldoria::update
