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
    if (job.chunk)
        return chunkArrived(*job.chunk, outcome, job.path);
    Patch& patch = m_patches[job.task];
    if (patch.ended) {
        QFile::remove(job.path);
        return;
    }
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
    const std::vector<SharedChunk*> toFetch = shareChunks(patch);
    const qint64 sharedBytes = patch.plan->bytesToFetch() - patch.bytesToFetch;
    m_hooks.log(QStringLiteral("Chunks of %1: %2 bytes reused from the local file, %3 bytes in %4 chunks to fetch%5")
                    .arg(nameOf(task))
                    .arg(patch.plan->bytesReused())
                    .arg(patch.bytesToFetch)
                    .arg(patch.chunksToFetch)
                    .arg(sharedBytes > 0 ? QStringLiteral(", %1 bytes in chunks other files fetch").arg(sharedBytes)
                                         : QString()));
    m_hooks.planned(task.index, patch.bytesToFetch);
    // A signed file is judged by its signed SHA-256, any other by the list's MD5: computed, or
    // vouched for by the index when it gives the same.
    std::optional<download::FileDigest> judge = download::FileDigest::Md5;
    if (task.signedFile)
        judge = download::FileDigest::Sha256;
    else if (!patch.index->md5().isEmpty() && patch.index->md5() == task.record.Hash)
        judge = std::nullopt;
    const int index = task.index;
    patch.assembly =
        std::make_unique<ChunkAssembly>(*patch.index, *patch.plan, task.placedPath, task.placedPath, judge,
                                        [this, index](const trust::Sha256Digest& digest) { release(index, digest); });
    if (const QString failure = patch.assembly->open(); !failure.isEmpty())
        return fallBack(patch, failure);
    for (SharedChunk* shared : toFetch)
        fetchChunk(patch, *shared);
    advance(patch);
}

std::vector<ChunkPatcher::SharedChunk*> ChunkPatcher::shareChunks(Patch& patch) {
    const int index = patch.task->index;
    std::vector<SharedChunk*> toFetch;
    for (const chunks::ChunkEntry& chunk : patch.plan->toFetch()) {
        const auto [found, first] = m_chunks.try_emplace(chunk.digest);
        SharedChunk& shared = found->second;
        shared.users.insert(index);
        if (!first)
            continue;
        shared.entry = chunk;
        shared.path = chunkPath(patch, chunk.digest);
        shared.fetcher = index;
        ++patch.chunksToFetch;
        patch.bytesToFetch += chunk.length;
        toFetch.push_back(&shared);
    }
    return toFetch;
}

QString ChunkPatcher::chunkPath(const Patch& patch, const trust::Sha256Digest& digest) const {
    return patch.task->packedPath + QLatin1Char('.') + trust::toHex(digest) + QStringLiteral(".zst");
}

void ChunkPatcher::fetchChunk(const Patch& patch, SharedChunk& shared) {
    const quint64 id = m_nextJob++;
    const QString relative = chunks::ChunkStore::relativePath(shared.entry.digest);
    QStringList mirrors;
    for (qsizetype i = 1; i < patch.task->chunkStores.size(); ++i)
        mirrors.append(patch.task->chunkStores.at(i) + relative);
    shared.inFlight = true;
    m_jobs[id] = {.task = patch.task->index, .chunk = shared.entry.digest, .path = shared.path};
    m_hooks.fetch({.id = id,
                   .url = patch.task->chunkStores.first() + relative,
                   .path = shared.path,
                   .mirrors = mirrors,
                   .small = true});
}

void ChunkPatcher::chunkArrived(const trust::Sha256Digest& digest, const download::FetchOutcome& outcome,
                                const QString& path) {
    const auto found = m_chunks.find(digest);
    if (found == m_chunks.end() || found->second.users.empty()) {
        // Every file that needed it went another way meanwhile.
        QFile::remove(path);
        if (found != m_chunks.end())
            m_chunks.erase(found);
        return;
    }
    SharedChunk& shared = found->second;
    shared.inFlight = false;
    if (!outcome.ok())
        return fallBackUsers(
            digest,
            QStringLiteral("chunk %1 could not be fetched: %2").arg(trust::toHex(digest), outcome.failure.describe()));
    shared.arrived = true;
    if (const auto fetcher = m_patches.find(shared.fetcher); fetcher != m_patches.end()) {
        Patch& patch = fetcher->second;
        patch.arrivedBytes += shared.entry.length;
        patch.storedBytes += outcome.length;
        m_hooks.progress(patch.task->index, patch.arrivedBytes, patch.bytesToFetch);
    }
    // Using the chunk may release it: the users are read before.
    const std::set<int> users = shared.users;
    for (const int user : users) {
        Patch& patch = m_patches[user];
        if (!patch.ended)
            advance(patch);
    }
}

void ChunkPatcher::fallBackUsers(const trust::Sha256Digest& digest, const QString& reason) {
    const std::set<int> users = m_chunks.at(digest).users;
    for (const int user : users)
        fallBack(m_patches[user], reason);
}

void ChunkPatcher::release(int task, const trust::Sha256Digest& digest) {
    const auto found = m_chunks.find(digest);
    if (found == m_chunks.end())
        return;
    SharedChunk& shared = found->second;
    shared.users.erase(task);
    if (shared.fetcher == task)
        shared.fetcher = -1;
    // One on its way is removed when it arrives, so that its path is never fetched into twice.
    if (!shared.users.empty() || shared.inFlight)
        return;
    if (shared.arrived)
        QFile::remove(shared.path);
    m_chunks.erase(found);
}

void ChunkPatcher::advance(Patch& patch) {
    const ChunkAssembly::Step step = patch.assembly->advance([this](const trust::Sha256Digest& digest) {
        const auto found = m_chunks.find(digest);
        return found == m_chunks.end() || !found->second.arrived ? QString() : found->second.path;
    });
    using State = ChunkAssembly::Step::State;
    switch (step.state) {
    case State::Waiting:
        return;
    case State::Failed:
        return fallBack(patch, step.reason);
    case State::BadChunk: {
        // A damaged chunk, or another chunk's bytes under its name (its file is gone): asked
        // for once more, for every file that needs it.
        SharedChunk& shared = m_chunks.at(step.chunk);
        shared.arrived = false;
        if (shared.triedAgain)
            return fallBackUsers(step.chunk, step.reason);
        shared.triedAgain = true;
        if (const auto fetcher = m_patches.find(shared.fetcher); fetcher != m_patches.end())
            fetcher->second.arrivedBytes -= shared.entry.length;
        m_hooks.log(QStringLiteral("Chunks of %1: %2; fetched again").arg(nameOf(*patch.task), step.reason));
        return fetchChunk(patch, shared);
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
                    .arg(patch.chunksToFetch)
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
    patch.chunksToFetch = 0;
    patch.bytesToFetch = 0;
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
    if (patch.plan) {
        for (const chunks::ChunkEntry& chunk : patch.plan->toFetch())
            release(patch.task->index, chunk.digest);
    }
    patch.assembly.reset();
}

} // namespace kaldoria::update
