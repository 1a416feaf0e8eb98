#include "update/signing/SignedListGate.h"

#include "update/signing/SignedListCheck.h"
#include "update/signing/TrustState.h"
#include "update/source/SingleFetch.h"

#include "platform/ClientPath.h"
#include "trust/SignedManifest.h"

#include <QDateTime>
#include <QFile>

namespace kaldoria::update {

namespace {

// The manifest format's own limit; a larger answer is not read.
constexpr qint64 kLargestManifest = qint64(32) * 1024 * 1024;

} // namespace

QString SignedListGate::accept(const QString& listPath) {
    m_s.signedFiles.reset();
    if (!m_s.trustFailure.isEmpty())
        return m_s.trustFailure;
    const trust::Result<trust::Sha256Digest> list = trust::Sha256::ofFile(listPath);
    if (!list.ok())
        return list.error();
    const QString statePath = m_s.workFile(QString::fromLatin1(TrustState::kFileName));
    const trust::Result<TrustState> state = TrustState::read(statePath);
    if (!state.ok())
        return state.error();
    const trust::Result<QByteArray> manifest = fetchManifest();
    if (!manifest.ok())
        return manifest.error();
    trust::Result<SignedListCheck::Accepted> accepted = SignedListCheck::check(
        manifest.value(), list.value(), m_s.trustedKeys, state.value(), QDateTime::currentSecsSinceEpoch());
    if (!accepted.ok())
        return accepted.error();
    if (const QString failure = accepted.value().state.write(statePath); !failure.isEmpty())
        return QStringLiteral("the signed manifest's state could not be kept: ") + failure;
    m_s.signedFiles = accepted.value().data.filesByName();
    m_s.log(QStringLiteral("Signed manifest accepted, serial ") + QString::number(accepted.value().data.serial));
    return {};
}

trust::Result<QByteArray> SignedListGate::fetchManifest() {
    const QString name = QString::fromLatin1(trust::SignedManifest::kFileName);
    const QString path = m_s.workFile(name);
    QFile::remove(path);
    if (m_s.localSource.enabled) {
        if (!QFile::copy(platform::ClientPath::resolve(m_s.localSource.folder, name), path))
            return trust::Result<QByteArray>::failure(name + QStringLiteral(" is not in the local source folder"));
    } else {
        const download::DownloadFailure failure =
            fetchSingleFile(m_s.fetchOptions, m_s.URLMain + name, path, m_s.cancel);
        if (failure.kind != download::DownloadFailure::Kind::None)
            return trust::Result<QByteArray>::failure(name + QStringLiteral(": ") + m_s.downloadFailure(failure));
    }
    QFile file(path);
    QByteArray bytes;
    const bool read = file.open(QIODevice::ReadOnly) && file.size() <= kLargestManifest;
    if (read)
        bytes = file.readAll();
    file.remove();
    if (!read)
        return trust::Result<QByteArray>::failure(name + QStringLiteral(" could not be read or is too large"));
    return bytes;
}

} // namespace kaldoria::update
