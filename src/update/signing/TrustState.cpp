#include "update/signing/TrustState.h"

#include "platform/FileSync.h"

#include <QFile>
#include <QSaveFile>

namespace kaldoria::update {

namespace {

constexpr QByteArrayView kHeader("kaldoria-trust-state 1");
constexpr qint64 kLargestFile = 64 * 1024;

trust::Result<TrustState> damaged(const QString& path, const QString& why) {
    return trust::Result<TrustState>::failure(path + QStringLiteral(" is damaged: ") + why);
}

} // namespace

trust::Result<TrustState> TrustState::read(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return TrustState{};
    if (!file.open(QIODevice::ReadOnly))
        return trust::Result<TrustState>::failure(path + QStringLiteral(": ") + file.errorString());
    const QByteArray text = file.read(kLargestFile + 1);
    if (text.size() > kLargestFile)
        return damaged(path, QStringLiteral("too large"));
    const QList<QByteArray> lines = text.split('\n');
    if (lines.size() < 3 || lines.first() != kHeader || !lines.last().isEmpty())
        return damaged(path, QStringLiteral("no header or no final line end"));
    TrustState state;
    bool read = false;
    const QByteArray serial = lines.at(1);
    if (serial.startsWith("serial "))
        state.serial = serial.mid(7).toLongLong(&read);
    if (!read || state.serial < 0)
        return damaged(path, QStringLiteral("no serial"));
    for (qsizetype i = 2; i + 1 < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        const auto raw = QByteArray::fromBase64Encoding(line.mid(4), QByteArray::AbortOnBase64DecodingErrors);
        if (!line.startsWith("key ") || !raw)
            return damaged(path, QStringLiteral("line %1").arg(i + 1));
        trust::Result<trust::TrustedKey> key = trust::TrustedKey::fromRaw(*raw);
        if (!key.ok())
            return damaged(path, QStringLiteral("line %1: ").arg(i + 1) + key.error());
        state.nextKeys.push_back(std::move(key).value());
    }
    return state;
}

QString TrustState::write(const QString& path) const {
    QByteArray text = kHeader.toByteArray() + "\nserial " + QByteArray::number(serial) + '\n';
    for (const trust::TrustedKey& key : nextKeys)
        text += "key " + key.raw().toBase64() + '\n';
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !platform::commitToDisk(file))
        return path + QStringLiteral(": ") + file.errorString();
    return {};
}

} // namespace kaldoria::update
