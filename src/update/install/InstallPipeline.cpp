#include "update/install/InstallPipeline.h"

#include "download/ResumeRecord.h"
#include "filelist/TMD5.h"
#include "platform/FileTimes.h"
#include "unpack/PackedFile.h"

#include <QFile>
#include <QFileInfo>

namespace kaldoria::update {

namespace {

QString checksumMismatch(const QString& expected, const QString& found) {
    return QStringLiteral("checksum mismatch: the list says %1, the packed file has %2").arg(expected, found);
}

QString signedMismatch(const trust::Sha256Digest& expected, const std::optional<trust::Sha256Digest>& found) {
    return QStringLiteral("SHA-256 mismatch: the signed manifest says %1, the packed file has %2")
        .arg(trust::toHex(expected), found ? trust::toHex(*found) : QStringLiteral("none"));
}

// Why the packed file with this digest may not be extracted; empty when it may. A signed
// file is judged by its signed SHA-256 alone, any other by the list's MD5 when it has one.
QString packedMismatch(const InstallTask& task, const QString& md5, const std::optional<trust::Sha256Digest>& sha256) {
    if (task.signedFile)
        return sha256 == task.signedFile->packed ? QString() : signedMismatch(task.signedFile->packed, sha256);
    if (!task.expectedMd5.isEmpty() && md5 != task.expectedMd5)
        return checksumMismatch(task.expectedMd5, md5);
    return {};
}

} // namespace

InstallPipeline::InstallPipeline(download::FetchOptions options, Handlers handlers)
    : m_handlers(std::move(handlers)), m_engine(
                                           options,
                                           [this](quint64 id, qint64 received, qint64 length) {
                                               // A chunk's bytes count when the chunk is whole.
                                               if (m_handlers.bytes && !ChunkPatcher::owns(id))
                                                   m_handlers.bytes(int(id), received, length);
                                           },
                                           [this](const download::FetchOutcome& outcome) { fetched(outcome); },
                                           [this](quint64 id, qint64 present) { resumed(int(id), present); }),
      m_patcher(patcherHooks()), m_worker([this] { workLoop(); }) {}

ChunkPatcher::Hooks InstallPipeline::patcherHooks() {
    return {
        .fetch = [this](download::FetchJob job) { m_engine.fetch(std::move(job)); },
        .fetchWhole = [this](int index) { fetchAttempt(m_tasks[size_t(index)], 1); },
        .planned =
            [this](int index, qint64 bytes) {
                if (m_handlers.planned)
                    m_handlers.planned(index, bytes);
            },
        .progress =
            [this](int index, qint64 arrived, qint64 bytes) {
                if (m_handlers.bytes)
                    m_handlers.bytes(index, arrived, bytes);
            },
        .assembling = [this](int index) { m_handlers.unpacking(index); },
        .placed = [this](int index) { placed(m_tasks[size_t(index)]); },
        .log = [this](const QString& line) { m_handlers.log(line); },
    };
}

InstallPipeline::~InstallPipeline() {
    stop();
}

void InstallPipeline::start(std::vector<InstallTask> tasks) {
    m_tasks = std::move(tasks);
    m_attempts.assign(m_tasks.size(), 0);
    for (size_t i = 0; i < m_tasks.size(); ++i) {
        m_tasks[i].index = int(i);
        if (m_tasks[i].address.isEmpty()) {
            const std::lock_guard lock(m_mutex);
            m_toUnpack.push_back(int(i));
            m_wake.notify_one();
        } else if (!m_tasks[i].indexAddress.isEmpty()) {
            postPatchStep([this, &task = m_tasks[i]] { m_patcher.begin(task); });
        } else {
            fetchAttempt(m_tasks[i], 1);
        }
    }
}

void InstallPipeline::fetchAttempt(InstallTask& task, int attempt) {
    m_attempts[size_t(task.index)] = attempt;
    m_handlers.log(QStringLiteral("Download file: ") + task.record.Name.mid(1) + QStringLiteral(" (try ") +
                   QString::number(attempt) + QStringLiteral(")"));
    m_engine.fetch({.id = quint64(task.index),
                    .url = task.address,
                    .path = task.packedPath,
                    .mirrors = task.mirrorAddresses,
                    .resumable = true});
}

bool InstallPipeline::leaveMirrors(InstallTask& task, const download::FetchOutcome& outcome) {
    QStringList sent;
    for (qsizetype i = 0; i < task.mirrorAddresses.size(); ++i) {
        if (size_t(i) + 1 < outcome.bytesFrom.size() && outcome.bytesFrom[size_t(i) + 1] > 0)
            sent.append(task.mirrorAddresses.at(i));
    }
    if (sent.isEmpty())
        return false;
    m_handlers.log(QStringLiteral("Packed file differs from the list after bytes from ") +
                   sent.join(QStringLiteral(", ")) + QStringLiteral("; fetched again from ") + task.address);
    task.mirrorAddresses.clear();
    return true;
}

void InstallPipeline::resumed(int index, qint64 present) {
    const QString name = m_tasks[size_t(index)].record.Name.mid(1);
    if (present > 0)
        m_handlers.log(QStringLiteral("Resume file: ") + name + QStringLiteral(" from ") + QString::number(present) +
                       QStringLiteral(" bytes left by an earlier run"));
    else
        m_handlers.log(QStringLiteral("Resume file: ") + name +
                       QStringLiteral(" changed on the server since the earlier run; fetched from the start"));
}

void InstallPipeline::postPatchStep(std::function<void()> step) {
    const std::lock_guard lock(m_mutex);
    m_patchSteps.push_back(std::move(step));
    m_wake.notify_one();
}

void InstallPipeline::fetched(const download::FetchOutcome& outcome) {
    if (ChunkPatcher::owns(outcome.id))
        return postPatchStep([this, outcome] { m_patcher.fetched(outcome); });
    InstallTask& task = m_tasks[size_t(outcome.id)];
    if (!outcome.ok()) {
        InstallResult result{.reason = outcome.failure.describe()};
        if (outcome.failure.kind == download::DownloadFailure::Kind::DiskFull) {
            result.diskFull = true;
            result.bytesNeeded = outcome.failure.bytesNeeded;
            result.bytesFree = outcome.failure.bytesFree;
        }
        finish(task, result);
        return;
    }
    const QString mismatch = packedMismatch(task, filelist::DigestString(outcome.md5), outcome.sha256);
    if (!mismatch.isEmpty()) {
        // A packed file that differs from the list is never extracted; it is fetched again.
        QFile::remove(task.packedPath);
        const int attempt = m_attempts[size_t(task.index)];
        // A stale or wrong mirror costs one fetch, not one of the file's attempts.
        if (leaveMirrors(task, outcome)) {
            fetchAttempt(task, attempt);
            return;
        }
        if (attempt < kAttempts) {
            fetchAttempt(task, attempt + 1);
            return;
        }
        m_handlers.log(QStringLiteral("FItem.Content.Name ") + task.record.Name.mid(1) +
                       QStringLiteral(": hash error !!!"));
        finish(task, {.reason = mismatch});
        return;
    }
    const std::lock_guard lock(m_mutex);
    m_toUnpack.push_back(task.index);
    m_wake.notify_one();
}

void InstallPipeline::workLoop() {
    for (;;) {
        std::function<void()> step;
        int index = 0;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_toUnpack.empty() || !m_patchSteps.empty(); });
            if (m_stopping)
                return;
            if (!m_patchSteps.empty()) {
                step = std::move(m_patchSteps.front());
                m_patchSteps.pop_front();
            } else {
                index = m_toUnpack.front();
                m_toUnpack.pop_front();
            }
        }
        if (step)
            step();
        else
            unpack(m_tasks[size_t(index)]);
    }
}

QString InstallPipeline::copyLocal(const InstallTask& task) {
    // A packed file left by an earlier run must never be taken for this one.
    download::ResumeRecord::remove(download::ResumeRecord::controlPath(task.packedPath));
    QFile::remove(task.packedPath);
    if (!QFile::copy(task.localCopy, task.packedPath))
        return QFileInfo::exists(task.localCopy) ? QStringLiteral("could not be copied from the local source folder")
                                                 : QStringLiteral("not found in the local source folder");
    if (task.signedFile) {
        const trust::Result<trust::Sha256Digest> digest = trust::Sha256::ofFile(task.packedPath);
        if (!digest.ok())
            return QStringLiteral("packed file unreadable: ") + digest.error();
        return packedMismatch(task, {}, digest.value());
    }
    if (task.expectedMd5.isEmpty())
        return {};
    const filelist::FileDigest digest = filelist::GetFileMD5(task.packedPath);
    if (!digest.status.ok())
        return QStringLiteral("packed file unreadable: ") + digest.status.message();
    return packedMismatch(task, digest.digest, std::nullopt);
}

void InstallPipeline::unpack(const InstallTask& task) {
    const QString name = task.record.Name.mid(1);
    if (task.address.isEmpty()) {
        if (const QString failure = copyLocal(task); !failure.isEmpty())
            return finish(task, {.reason = failure});
    }
    m_handlers.unpacking(task.index);
    m_handlers.log(QStringLiteral("Unpack:: ") + name);
    // The archive may not write more than the list says the file holds; a signed file's bytes
    // are hashed as they are written and it replaces nothing unless they match.
    const unpack::ExtractOutcome extraction =
        unpack::ExtractArchive(task.packedPath, task.folder, task.record.Size,
                               task.signedFile ? std::optional(task.signedFile->unpacked) : std::nullopt);
    m_handlers.log(QStringLiteral("Set DateTime: ") + name);
    QFile::remove(task.packedPath);
    if (!extraction.extracted) {
        return finish(task, {.reason = QStringLiteral("extraction failed: ") + extraction.reason,
                             .diskFull = extraction.diskFull,
                             .bytesNeeded = extraction.bytesNeeded,
                             .bytesFree = extraction.bytesFree});
    }
    // The archive may spell the name in another case; the file is looked for as the list names it.
    if (!QFileInfo(task.placedPath).isFile())
        return finish(task, {.reason = QStringLiteral("the archive does not hold the file")});
    if (task.ownFile) {
        QFile::setPermissions(task.placedPath, QFile::permissions(task.placedPath) | QFile::ExeOwner | QFile::ExeGroup |
                                                   QFile::ExeOther);
    }
    placed(task);
}

void InstallPipeline::placed(const InstallTask& task) {
    if (task.record.Date != 0)
        platform::SetFileTimes(task.placedPath, 7, task.record.Date);
    finish(task, {.installed = true});
}

void InstallPipeline::finish(const InstallTask& task, InstallResult result) {
    result.index = task.index;
    m_handlers.done(result);
}

void InstallPipeline::stop() {
    m_engine.stop();
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopping && !m_worker.joinable())
            return;
        m_stopping = true;
        m_wake.notify_one();
    }
    if (m_worker.joinable())
        m_worker.join();
    // Packed files that were fetched but not extracted are of no use to anyone.
    for (const int index : m_toUnpack)
        QFile::remove(m_tasks[size_t(index)].packedPath);
    m_toUnpack.clear();
}

} // namespace kaldoria::update
