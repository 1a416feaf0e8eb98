#include "update/chunkpatch/ChunkAssembly.h"

#include "chunks/ChunkCodec.h"
#include "platform/FileSync.h"
#include "unpack/ExtractionTemporary.h"

#include <QFileInfo>

#include <cerrno>
#include <cstdio>

namespace kaldoria::update {

ChunkAssembly::ChunkAssembly(chunks::ChunkIndex index, const ChunkPlan& plan, QString local, QString target,
                             bool withSha256)
    : m_index(std::move(index)), m_plan(plan), m_target(std::move(target)),
      m_temporary(unpack::ExtractionTemporary::nameBeside(m_target)), m_local(std::move(local)), m_out(m_temporary) {
    if (withSha256)
        m_sha256.emplace();
    for (const chunks::ChunkEntry& chunk : m_index.chunks()) {
        if (!m_plan.localOffset(chunk.digest))
            ++m_usesLeft[chunk.digest];
    }
}

ChunkAssembly::~ChunkAssembly() {
    m_out.close();
    if (!m_committed)
        QFile::remove(m_temporary);
}

QString ChunkAssembly::open() {
    // Unbuffered: a write that does not fit on the disk fails at once, with its reason.
    if (!m_out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return QStringLiteral("cannot create %1: %2").arg(m_temporary, m_out.errorString());
    if (m_plan.bytesReused() > 0 && !m_local.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read the local file: %1").arg(m_local.errorString());
    return {};
}

ChunkAssembly::Step ChunkAssembly::advance(const StoredChunk& stored) {
    for (; m_next < m_index.chunks().size(); ++m_next) {
        const chunks::ChunkEntry& chunk = m_index.chunks()[m_next];
        if (const std::optional<qint64> offset = m_plan.localOffset(chunk.digest)) {
            // The local copy was cut before; bytes that changed since fail the file's digest.
            if (!m_local.seek(*offset))
                return failed(QStringLiteral("cannot read the local file: %1").arg(m_local.errorString()));
            const QByteArray bytes = m_local.read(chunk.length);
            if (bytes.size() != qsizetype(chunk.length))
                return failed(QStringLiteral("the local file became shorter while it was read"));
            if (const Step step = write(bytes); step.state != Step::State::Waiting)
                return step;
            continue;
        }
        const QString path = stored(chunk.digest);
        if (path.isEmpty())
            return {};
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return failed(QStringLiteral("cannot read the fetched chunk %1: %2").arg(path, file.errorString()));
        const trust::Result<QByteArray> bytes = chunks::ChunkCodec::decode(file.readAll(), chunk.digest);
        file.close();
        if (!bytes.ok() || bytes.value().size() != qsizetype(chunk.length)) {
            QFile::remove(path);
            return {.state = Step::State::BadChunk,
                    .reason =
                        QStringLiteral("chunk %1: %2")
                            .arg(trust::toHex(chunk.digest),
                                 bytes.ok() ? QStringLiteral("another length than the index says") : bytes.error()),
                    .chunk = chunk.digest};
        }
        if (const Step step = write(bytes.value()); step.state != Step::State::Waiting)
            return step;
        if (--m_usesLeft[chunk.digest] == 0)
            QFile::remove(path);
    }
    return {.state = Step::State::Complete};
}

ChunkAssembly::Step ChunkAssembly::write(QByteArrayView bytes) {
    if (m_out.write(bytes.data(), bytes.size()) != bytes.size()) {
        const bool full = m_out.error() == QFileDevice::ResourceError;
        return failed(QStringLiteral("cannot write %1: %2").arg(m_temporary, m_out.errorString()), full);
    }
    m_md5.Add(bytes.data(), std::size_t(bytes.size()));
    if (m_sha256)
        m_sha256->add(bytes);
    return {};
}

ChunkAssembly::Step ChunkAssembly::failed(const QString& reason, bool diskFull) const {
    return {.state = Step::State::Failed, .reason = reason, .diskFull = diskFull};
}

QString ChunkAssembly::commit() {
    m_out.close();
    m_local.close();
    // The bytes reach the disk before the name does, so a crash leaves the old file or the new.
    if (!platform::syncFile(m_temporary))
        return QStringLiteral("cannot write %1 to the disk").arg(m_temporary);
    const QFileInfo replaced(m_target);
    if (replaced.isFile() && !replaced.isSymLink() && replaced.isExecutable())
        QFile::setPermissions(m_temporary, QFile::permissions(m_temporary) | replaced.permissions());
    if (std::rename(QFile::encodeName(m_temporary).constData(), QFile::encodeName(m_target).constData()) != 0)
        return QStringLiteral("cannot move the assembled file into place: %1").arg(qt_error_string(errno));
    m_committed = true;
    return {};
}

} // namespace kaldoria::update
