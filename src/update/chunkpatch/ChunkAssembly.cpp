#include "update/chunkpatch/ChunkAssembly.h"

#include "chunks/ChunkCodec.h"
#include "filelist/TFileRecord.h"
#include "platform/FileSync.h"
#include "unpack/ExtractionTemporary.h"

#include <QFile>

#include <cerrno>

namespace kaldoria::update {

namespace {

constexpr qint64 kWritebackStep = 16 * 1024 * 1024;

} // namespace

ChunkAssembly::ChunkAssembly(const chunks::ChunkIndex& index, const ChunkPlan& plan, QString local, QString target,
                             std::optional<download::FileDigest> kind, ChunkUsed used)
    : m_index(index), m_plan(plan), m_target(std::move(target)),
      m_temporary(unpack::ExtractionTemporary::nameBeside(m_target)), m_kind(kind), m_used(std::move(used)),
      m_local(std::move(local)) {
    for (const chunks::ChunkEntry& chunk : m_index.chunks()) {
        if (!m_plan.localOffset(chunk.digest))
            ++m_usesLeft[chunk.digest];
    }
}

ChunkAssembly::~ChunkAssembly() {
    m_hasher.reset();
    m_out.reset();
    if (!m_committed)
        QFile::remove(m_temporary);
}

QString ChunkAssembly::open() {
    m_out = platform::RandomAccessFile::create(m_temporary);
    if (!m_out)
        return QStringLiteral("cannot create %1: %2").arg(m_temporary, qt_error_string(errno));
    // The whole file's room is taken at once: a disk too small fails here, not halfway.
    if (!m_out->reserve(m_index.fileSize()))
        return QStringLiteral("no room for %1 bytes beside %2: %3")
            .arg(QString::number(m_index.fileSize()), m_target, qt_error_string(errno));
    if (m_plan.bytesReused() > 0 && !m_local.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return QStringLiteral("cannot read the local file: %1").arg(m_local.errorString());
    if (!m_kind)
        return {};
    m_hasher.emplace(*m_kind, [this](quint64, const QByteArray& md5, const std::optional<trust::Sha256Digest>& sha256,
                                     int readError) {
        m_digestPromise.set_value(readError != 0 ? Digest{.failure = qt_error_string(readError)}
                                                 : Digest{.md5 = filelist::DigestString(md5), .sha256 = sha256});
    });
    m_hasher->begin(0, m_out);
    if (m_index.fileSize() == 0)
        m_hasher->advance(0, 0, true);
    return {};
}

ChunkAssembly::Step ChunkAssembly::advance(const StoredChunk& stored) {
    for (; m_next < m_index.chunks().size(); ++m_next) {
        const chunks::ChunkEntry& chunk = m_index.chunks()[m_next];
        if (const std::optional<qint64> offset = m_plan.localOffset(chunk.digest)) {
            // The local copy was cut, or its kept index read, before; bytes that changed since fail the check.
            if (!m_local.seek(*offset))
                return {.state = Step::State::Failed,
                        .reason = QStringLiteral("cannot read the local file: %1").arg(m_local.errorString())};
            m_copyBuffer.resize(qsizetype(chunk.length));
            if (m_local.read(m_copyBuffer.data(), m_copyBuffer.size()) != m_copyBuffer.size())
                return {.state = Step::State::Failed,
                        .reason = QStringLiteral("the local file became shorter while it was read")};
            if (!m_kind) {
                m_reusedCheck.add(m_copyBuffer);
                m_reusedDigests.push_back(chunk.digest);
            }
            if (const Step step = write(m_copyBuffer); step.state != Step::State::Waiting)
                return step;
            continue;
        }
        const QString path = stored(chunk.digest);
        if (path.isEmpty())
            return {};
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {.state = Step::State::Failed,
                    .reason = QStringLiteral("cannot read the fetched chunk %1: %2").arg(path, file.errorString())};
        // Whatever a server sends under a chunk's name, no more than a stored chunk's room is read.
        if (file.size() > chunks::ChunkCodec::maxStoredSize())
            return badChunk(chunk, path,
                            QStringLiteral("chunk %1 arrived with %2 bytes, more than any stored chunk takes")
                                .arg(trust::toHex(chunk.digest))
                                .arg(file.size()));
        const trust::Result<QByteArray> bytes = chunks::ChunkCodec::decode(file.readAll(), chunk.digest);
        file.close();
        if (!bytes.ok())
            return badChunk(chunk, path, bytes.error());
        if (bytes.value().size() != qsizetype(chunk.length))
            return badChunk(
                chunk, path,
                QStringLiteral("chunk %1 has another length than the index says").arg(trust::toHex(chunk.digest)));
        if (const Step step = write(bytes.value()); step.state != Step::State::Waiting)
            return step;
        if (--m_usesLeft[chunk.digest] == 0)
            m_used(chunk.digest);
    }
    return {.state = Step::State::Complete};
}

ChunkAssembly::Step ChunkAssembly::badChunk(const chunks::ChunkEntry& chunk, const QString& path,
                                            const QString& reason) {
    QFile::remove(path);
    return {.state = Step::State::BadChunk, .reason = reason, .chunk = chunk.digest};
}

ChunkAssembly::Step ChunkAssembly::write(QByteArrayView bytes) {
    if (!m_out->writeAt(m_written, bytes.data(), bytes.size()))
        return {.state = Step::State::Failed,
                .reason = QStringLiteral("cannot write %1: %2").arg(m_temporary, qt_error_string(errno))};
    m_written += bytes.size();
    // Bytes go to the disk while the file is assembled, not all at once when it is committed.
    if (m_written - m_writebackFrom >= kWritebackStep) {
        m_out->startWriteback(m_writebackFrom, m_written - m_writebackFrom);
        m_writebackFrom = m_written;
    }
    if (m_hasher)
        m_hasher->advance(0, m_written, m_written == m_index.fileSize());
    return {};
}

ChunkAssembly::Digest ChunkAssembly::digest() {
    if (m_kind)
        return m_digestPromise.get_future().get();
    if (m_reusedCheck.finish() != m_reusedDigests)
        return {.failure = QStringLiteral("the local file changed while it was copied")};
    return {.md5 = m_index.md5()};
}

QString ChunkAssembly::commit() {
    m_local.close();
    // The bytes reach the disk before the name does, so a crash leaves the old file or the new.
    if (!m_out->flush())
        return QStringLiteral("cannot write %1 to the disk: %2").arg(m_temporary, qt_error_string(errno));
    m_hasher.reset();
    m_out.reset();
    if (const QString failure = platform::replaceFile(m_temporary, m_target); !failure.isEmpty())
        return QStringLiteral("cannot move the assembled file into place: ") + failure;
    m_committed = true;
    return {};
}

} // namespace kaldoria::update
