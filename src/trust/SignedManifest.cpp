#include "trust/SignedManifest.h"

#include "trust/ManifestParser.h"
#include "trust/ManifestText.h"

#include <QSet>

#include <algorithm>

namespace kaldoria::trust {

namespace text = manifest_text;

namespace {

QByteArray line(const char* keyword, const QByteArray& value) {
    return QByteArray(keyword) + ' ' + value + '\n';
}

QByteArray number(qint64 value) {
    return QByteArray::number(value);
}

QByteArray hex(const Sha256Digest& digest) {
    return toHex(digest).toLatin1();
}

// Why `data` cannot be written so that the reader takes it back, or empty.
QString unwritable(const ManifestData& data) {
    constexpr qint64 kLargest = 999'999'999'999'999'999; // the reader takes 18 digits
    if (data.serial < 0 || data.serial > kLargest || data.expires < 0 || data.expires > kLargest)
        return QStringLiteral("the serial and the expiry time must be numbers from 0 to %1").arg(kLargest);
    QSet<QString> names;
    for (const ManifestFile& file : data.files) {
        // "file", two digests, three spaces and the name must fit in one line.
        if (!text::isWritableName(file.name) || file.name.toUtf8().size() > text::kLineLimit - 4 - 2 * 64 - 3)
            return QStringLiteral("'%1' cannot stand in a manifest").arg(file.name);
        if (names.contains(ManifestData::nameKey(file.name)))
            return QStringLiteral("%1 is named twice").arg(file.name);
        names.insert(ManifestData::nameKey(file.name));
    }
    if (qsizetype(data.nextKeys.size()) > text::kNextKeyLimit)
        return QStringLiteral("more than %1 next keys").arg(text::kNextKeyLimit);
    for (std::size_t i = 0; i < data.nextKeys.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (data.nextKeys[i] == data.nextKeys[j])
                return QStringLiteral("a next key given twice");
        }
    }
    return {};
}

} // namespace

Result<QByteArray> SignedManifest::serialize(const ManifestData& data, const SigningKey& key) {
    if (const QString reason = unwritable(data); !reason.isEmpty())
        return Result<QByteArray>::failure(reason);
    QByteArray out;
    const bool indexes =
        std::any_of(data.files.begin(), data.files.end(), [](const ManifestFile& f) { return f.index.has_value(); });
    out += line(text::kHeader, number(indexes ? ManifestData::kIndexFormatVersion : ManifestData::kFormatVersion));
    out += line(text::kSerial, number(data.serial));
    out += line(text::kExpires, number(data.expires));
    out += line(text::kList, hex(data.list));
    for (const ManifestFile& file : data.files)
        out += line(text::kFile, hex(file.packed) + ' ' + hex(file.unpacked) + ' ' + file.name.toUtf8());
    for (const ManifestFile& file : data.files) {
        if (file.index)
            out += line(text::kIndex, hex(*file.index) + ' ' + file.name.toUtf8());
    }
    for (const TrustedKey& next : data.nextKeys)
        out += line(text::kNextKey, next.raw().toBase64());
    out += line(text::kSigner, key.publicKey().raw().toBase64());
    constexpr qsizetype kSignatureLine = 10 + 88 + 1; // "signature ", 64 bytes in base64, line end
    if (out.size() + kSignatureLine > text::kSizeLimit)
        return Result<QByteArray>::failure(
            QStringLiteral("the manifest would be larger than %1 bytes").arg(text::kSizeLimit));
    const Result<QByteArray> signature = key.sign(out);
    if (!signature.ok())
        return signature;
    out += line(text::kSignature, signature.value().toBase64());
    return out;
}

Result<ParsedManifest> SignedManifest::parse(QByteArrayView bytes) {
    return ManifestParser::parse(bytes);
}

QString SignedManifest::verify(const ParsedManifest& parsed, const std::vector<TrustedKey>& trusted) {
    for (const TrustedKey& key : trusted) {
        if (key == parsed.signer) {
            if (key.verify(parsed.signedBytes, parsed.signature))
                return {};
            return QStringLiteral("the manifest's signature does not match its content");
        }
    }
    return QStringLiteral("the manifest is signed by a key that is not trusted (%1)")
        .arg(QString::fromLatin1(parsed.signer.raw().toBase64()));
}

} // namespace kaldoria::trust
