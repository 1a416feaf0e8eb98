#include "update/chunkpatch/KeptIndex.h"

#include "platform/FileSync.h"
#include "trust/ManifestData.h"
#include "trust/Sha256.h"
#include "unpack/ExtractionTemporary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>

namespace kaldoria::update {

namespace {

constexpr char kFolder[] = "indexes";

std::optional<struct stat> statOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return st;
}

bool sameTime(const struct stat& a, const struct stat& b) {
    return a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

} // namespace

QString KeptIndex::pathFor(const QString& workFolder, const QString& listName) {
    const QByteArray key = trust::ManifestData::nameKey(listName).toUtf8();
    return workFolder + QLatin1Char('/') + QLatin1String(kFolder) + QLatin1Char('/') +
           trust::toHex(trust::Sha256::of(key)) + QLatin1String(chunks::ChunkIndex::kSuffix);
}

void KeptIndex::removeUnlisted(const QString& workFolder, const QStringList& listNames) {
    const QDir folder(workFolder + QLatin1Char('/') + QLatin1String(kFolder));
    if (!folder.exists())
        return;
    QSet<QString> listed;
    for (const QString& name : listNames)
        listed.insert(QFileInfo(pathFor(workFolder, name)).fileName());
    for (const QString& kept : folder.entryList(QDir::Files | QDir::Hidden)) {
        if (!listed.contains(kept))
            QFile::remove(folder.filePath(kept));
    }
}

std::optional<chunks::ChunkIndex> KeptIndex::read(const QString& keptPath, const QString& file) {
    const std::optional<struct stat> kept = statOf(keptPath);
    if (!kept)
        return std::nullopt;
    const std::optional<struct stat> described = statOf(file);
    std::optional<chunks::ChunkIndex> index;
    if (described && sameTime(*kept, *described) && kept->st_size <= chunks::ChunkIndex::kMaxTextSize) {
        QFile text(keptPath);
        if (text.open(QIODevice::ReadOnly)) {
            trust::Result<chunks::ChunkIndex> parsed = chunks::ChunkIndex::parse(text.readAll());
            if (parsed.ok() && parsed.value().fileSize() == described->st_size)
                index = std::move(parsed).value();
        }
    }
    if (!index)
        QFile::remove(keptPath);
    return index;
}

bool KeptIndex::keep(const QByteArray& indexText, const QString& keptPath, const QString& file) {
    const std::optional<struct stat> described = statOf(file);
    if (!described || !QDir().mkpath(QFileInfo(keptPath).path()))
        return false;
    const QString temporary = unpack::ExtractionTemporary::nameBeside(keptPath);
    QFile out(temporary);
    bool written = out.open(QIODevice::WriteOnly) && out.write(indexText) == indexText.size() && out.flush();
    const struct timespec times[2] = {described->st_mtim, described->st_mtim};
    written = written && ::futimens(out.handle(), times) == 0;
    out.close();
    if (written && platform::replaceFile(temporary, keptPath).isEmpty())
        return true;
    QFile::remove(temporary);
    return false;
}

} // namespace kaldoria::update
