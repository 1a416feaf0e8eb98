#include "update/chunkpatch/ChunkPatcher.h"
#include "update/chunkpatch/KeptIndex.h"

#include "chunks/ChunkStore.h"
#include "filelist/TFileRecord.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace kaldoria::update {

namespace {

QString nameOf(const InstallTask& task) {
    return task.record.Name.mid(1);
}

} // namespace

ChunkPatcher::ChunkPatcher(Hooks hooks) : m_hooks(std::move(hooks)) {}

ChunkPatcher::~ChunkPatcher() {
    for (auto& [task, patch] : m_patches)
        clear(patch);
    // Jobs whose outcome never came: their files, if the engine left any.
    for (const auto& [id, job] : m_jobs)
        QFile::remove(job.path);
}

void ChunkPatcher::begin(const InstallTask& task) {
    Patch& patch = m_patches[task.index];
    patch.task = &task;
    // A signed manifest says which files have an index; otherwise the first index tells.
    if (task.signedFile || m_support == Support::Present)
        return fetchIndex(patch);
    if (m_support == Support::Absent)
        return fallBack(patch, {});
    if (m_support == Support::Probing) {
        m_waiting.push_back(task.index);
        return;
    }
    m_support = Support::Probing;
    fetchIndex(patch);
}

void ChunkPatcher::fetchIndex(Patch& patch) {
    const quint64 id = m_nextJob++;
    const QString path = patch.task->packedPath + QLatin1String(chunks::ChunkIndex::kSuffix);
    m_jobs[id] = {.task = patch.task->index, .chunk = std::nullopt, .path = path};
    m_hooks.fetch({.id = id, .url = patch.task->indexAddress, .path = path, .small = true});
}

void ChunkPatcher::fetched(const download::FetchOutcome& outcome) {
    const auto found = m_jobs.find(outcome.id);
    if (found == m_jobs.end())
        return;
    const Job job = found->second;
    m_jobs.erase(found);
    Patch& patch = m_patches[job.task];
    if (patch.ended) {
        QFile::remove(job.path);
        return;
    }
    if (job.chunk)
        chunkArrived(patch, *job.chunk, outcome, job.path);
    else
        indexArrived(patch, outcome, job.path);
}

void ChunkPatcher::indexArrived(Patch& patch, const download::FetchOutcome& outcome, const QString& path) {
    const bool probe = m_support == Support::Probing && !patch.task->signedFile;
    if (!outcome.ok()) {
        if (probe) {
            m_hooks.log(QStringLiteral("No chunk index on the server (%1): files are fetched whole")
                            .arg(outcome.failure.describe()));
            fallBack(patch, {});
            settleSupport(false);
            return;
        }
        return fallBack(patch, QStringLiteral("its chunk index could not be fetched: ") + outcome.failure.describe());
    }
    if (probe)
        settleSupport(true);
    const QString refusal = readIndex(patch, path);
    QFile::remove(path);
    if (!refusal.isEmpty())
        return fallBack(patch, refusal);
    plan(patch);
}

QString ChunkPatcher::readIndex(Patch& patch, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("its chunk index cannot be read: ") + file.errorString();
    if (file.size() > chunks::ChunkIndex::kMaxTextSize)
        return QStringLiteral("its chunk index is larger than any index can be");
    const QByteArray bytes = file.readAll();
    const InstallTask& task = *patch.task;
    if (task.signedFile && trust::Sha256::of(bytes) != task.signedFile->index)
        return QStringLiteral("its chunk index is not the one the signed manifest names");
    trust::Result<chunks::ChunkIndex> index = chunks::ChunkIndex::parse(bytes);
    if (!index.ok())
        return QStringLiteral("its chunk index is damaged: ") + index.error();
    if (index.value().fileSize() != task.record.Size)
        return QStringLiteral("its chunk index describes a file of %1 bytes, the list one of %2 bytes")
            .arg(index.value().fileSize())
            .arg(task.record.Size);
    const QString& md5 = index.value().md5();
    if (!md5.isEmpty() && task.record.Hash != filelist::ZeroDigest() && md5 != task.record.Hash)
        return QStringLiteral("its chunk index describes another file (MD5 %1, the list says %2)")
            .arg(md5, task.record.Hash);
    patch.index = std::move(index).value();
    patch.indexText = bytes;
    return {};
}

void ChunkPatcher::plan(Patch& patch) {
    const InstallTask& task = *patch.task;
    // Whatever version the local copy is, or a damaged one: every chunk it still holds counts.
    chunks::ChunkIndex local;
    if (std::optional<chunks::ChunkIndex> kept = KeptIndex::read(task.keptIndexPath, task.placedPath)) {
        local = std::move(*kept);
        patch.plannedFromKept = true;
        m_hooks.log(QStringLiteral("Chunks of %1: the local file is known from the index kept when it was installed")
                        .arg(nameOf(task)));
    } else if (QFileInfo(task.placedPath).isFile()) {
        trust::Result<chunks::ChunkIndex> cut = chunks::ChunkIndex::ofFile(task.placedPath);
        if (cut.ok())
            local = std::move(cut).value();
        else
            m_hooks.log(QStringLiteral("Chunks of %1: the local file cannot be read (%2); every chunk is fetched")
                            .arg(nameOf(task), cut.error()));
    }
    patch.plan = std::make_unique<ChunkPlan>(*patch.index, local);
    m_hooks.log(QStringLiteral("Chunks of %1: %2 bytes reused from the local file, %3 bytes in %4 chunks to fetch")
                    .arg(nameOf(task))
                    .arg(patch.plan->bytesReused())
                    .arg(patch.plan->bytesToFetch())
                    .arg(patch.plan->toFetch().size()));
    m_hooks.planned(task.index, patch.plan->bytesToFetch());
    // A signed file is judged by its signed SHA-256, any other by the list's MD5: computed, or
    // vouched for by the index when it gives the same.
    std::optional<download::FileDigest> judge = download::FileDigest::Md5;
    if (task.signedFile)
        judge = download::FileDigest::Sha256;
    else if (!patch.index->md5().isEmpty() && patch.index->md5() == task.record.Hash)
        judge = std::nullopt;
    patch.assembly =
        std::make_unique<ChunkAssembly>(*patch.index, *patch.plan, task.placedPath, task.placedPath, judge);
    if (const QString failure = patch.assembly->open(); !failure.isEmpty())
        return fallBack(patch, failure);
    for (const chunks::ChunkEntry& chunk : patch.plan->toFetch())
        fetchChunk(patch, chunk);
    advance(patch);
}

QString ChunkPatcher::chunkPath(const Patch& patch, const trust::Sha256Digest& digest) const {
    return patch.task->packedPath + QLatin1Char('.') + trust::toHex(digest) + QStringLiteral(".zst");
}

void ChunkPatcher::fetchChunk(Patch& patch, const chunks::ChunkEntry& chunk) {
    const quint64 id = m_nextJob++;
    const QString path = chunkPath(patch, chunk.digest);
    const QString relative = chunks::ChunkStore::relativePath(chunk.digest);
    QStringList mirrors;
    for (qsizetype i = 1; i < patch.task->chunkStores.size(); ++i)
        mirrors.append(patch.task->chunkStores.at(i) + relative);
    m_jobs[id] = {.task = patch.task->index, .chunk = chunk, .path = path};
    m_hooks.fetch(
        {.id = id, .url = patch.task->chunkStores.first() + relative, .path = path, .mirrors = mirrors, .small = true});
}

void ChunkPatcher::chunkArrived(Patch& patch, const chunks::ChunkEntry& chunk, const download::FetchOutcome& outcome,
                                const QString& path) {
    if (!outcome.ok()) {
        return fallBack(patch, QStringLiteral("chunk %1 could not be fetched: %2")
                                   .arg(trust::toHex(chunk.digest), outcome.failure.describe()));
    }
    patch.arrived[chunk.digest] = path;
    patch.arrivedBytes += chunk.length;
    patch.storedBytes += outcome.length;
    m_hooks.progress(patch.task->index, patch.arrivedBytes, patch.plan->bytesToFetch());
    advance(patch);
}

void ChunkPatcher::advance(Patch& patch) {
    const ChunkAssembly::Step step = patch.assembly->advance([&patch](const trust::Sha256Digest& digest) {
        const auto found = patch.arrived.find(digest);
        return found == patch.arrived.end() ? QString() : found->second;
    });
    using State = ChunkAssembly::Step::State;
    switch (step.state) {
    case State::Waiting:
        return;
    case State::Failed:
        return fallBack(patch, step.reason);
    case State::BadChunk: {
        // A damaged chunk, or another chunk's bytes under its name: asked for once more.
        if (std::ranges::find(patch.triedAgain, step.chunk) != patch.triedAgain.end())
            return fallBack(patch, step.reason);
        patch.triedAgain.push_back(step.chunk);
        const auto found = std::ranges::find(patch.plan->toFetch(), step.chunk, &chunks::ChunkEntry::digest);
        patch.arrived.erase(step.chunk);
        patch.arrivedBytes -= found->length;
        m_hooks.log(QStringLiteral("Chunks of %1: %2; fetched again").arg(nameOf(*patch.task), step.reason));
        return fetchChunk(patch, *found);
    }
    case State::Complete:
        return complete(patch);
    }
}

void ChunkPatcher::complete(Patch& patch) {
    const InstallTask& task = *patch.task;
    m_hooks.assembling(task.index);
    if (const QString wrong = wrongWhole(task, patch.assembly->digest()); !wrong.isEmpty()) {
        // A kept index that no longer describes the local file (changed behind the launcher's
        // back, its size and date kept) costs a cut of the file, not its archive.
        if (patch.plannedFromKept)
            return planAgainByCutting(patch, wrong);
        return fallBack(patch, wrong);
    }
    if (const QString failure = patch.assembly->commit(); !failure.isEmpty())
        return fallBack(patch, failure);
    m_hooks.log(QStringLiteral("Chunks of %1: assembled; %2 bytes reused, %3 bytes fetched in %4 chunks (%5 bytes as "
                               "served)")
                    .arg(nameOf(task))
                    .arg(patch.plan->bytesReused())
                    .arg(patch.arrivedBytes)
                    .arg(patch.plan->toFetch().size())
                    .arg(patch.storedBytes));
    const QByteArray indexText = std::exchange(patch.indexText, {});
    clear(patch);
    m_hooks.placed(task.index);
    if (!KeptIndex::keep(indexText, task.keptIndexPath, task.placedPath))
        m_hooks.log(QStringLiteral("Chunks of %1: its index cannot be kept for the next patch").arg(nameOf(task)));
}

QString ChunkPatcher::wrongWhole(const InstallTask& task, const ChunkAssembly::Digest& digest) {
    if (!digest.failure.isEmpty())
        return QStringLiteral("the assembled file cannot be judged: ") + digest.failure;
    if (task.signedFile) {
        if (digest.sha256 != task.signedFile->unpacked)
            return QStringLiteral("the assembled file is not the one the signed manifest names");
    } else if (task.record.Hash != filelist::ZeroDigest() && digest.md5 != task.record.Hash) {
        return QStringLiteral("the assembled file's MD5 is %1, the list says %2").arg(digest.md5, task.record.Hash);
    }
    return {};
}

void ChunkPatcher::planAgainByCutting(Patch& patch, const QString& reason) {
    m_hooks.log(QStringLiteral("Chunks of %1: %2; the local file is cut and the patch planned again")
                    .arg(nameOf(*patch.task), reason));
    QFile::remove(patch.task->keptIndexPath);
    clear(patch);
    patch.ended = false;
    patch.plannedFromKept = false;
    patch.arrivedBytes = 0;
    patch.storedBytes = 0;
    plan(patch);
}

void ChunkPatcher::settleSupport(bool present) {
    m_support = present ? Support::Present : Support::Absent;
    const std::vector<int> waiting = std::exchange(m_waiting, {});
    for (const int task : waiting) {
        Patch& patch = m_patches[task];
        if (present)
            fetchIndex(patch);
        else
            fallBack(patch, {});
    }
}

void ChunkPatcher::fallBack(Patch& patch, const QString& reason) {
    const InstallTask& task = *patch.task;
    if (!reason.isEmpty())
        m_hooks.log(QStringLiteral("Chunks of %1 not used: %2; the packed file is fetched").arg(nameOf(task), reason));
    if (patch.plan)
        m_hooks.planned(task.index, task.record.Size);
    // The file comes another way; a kept index may be what misled this one.
    QFile::remove(task.keptIndexPath);
    clear(patch);
    m_hooks.fetchWhole(task.index);
}

void ChunkPatcher::clear(Patch& patch) {
    patch.ended = true;
    for (const auto& [digest, path] : patch.arrived)
        QFile::remove(path);
    patch.arrived.clear();
    patch.assembly.reset();
}

} // namespace kaldoria::update
