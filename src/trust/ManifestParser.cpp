#include "trust/ManifestParser.h"

#include "trust/ManifestText.h"
#include "trust/StrictLines.h"

#include <QStringDecoder>

namespace kaldoria::trust {

namespace text = manifest_text;

namespace {

constexpr qsizetype kSignatureSize = 64;
// Serials and dates: as many digits as always fit a qint64.
constexpr qsizetype kNumberDigits = 18;

// Standard padded base64 in its one canonical spelling; nothing for any other text.
std::optional<QByteArray> readBase64(QByteArrayView field) {
    const QByteArray encoded = field.toByteArray();
    QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.toBase64() != encoded)
        return std::nullopt;
    return std::move(decoded.decoded);
}

// The start of a refused field, for the reason.
QString shown(QByteArrayView field) {
    return QString::fromUtf8(field.first(qMin(field.size(), qsizetype(40))));
}

} // namespace

Result<ParsedManifest> ManifestParser::parse(QByteArrayView bytes) {
    ManifestParser parser(bytes);
    const QString reason = parser.run();
    if (!reason.isEmpty())
        return Result<ParsedManifest>::failure(QStringLiteral("the manifest is malformed: ") + reason);
    return ParsedManifest{std::move(parser.m_data), *parser.m_signer, std::move(parser.m_signedBytes),
                          std::move(parser.m_signature)};
}

QString ManifestParser::run() {
    const QString reason =
        StrictLines::read(m_bytes, text::kSizeLimit,
                          [this](QByteArrayView line, qsizetype start, qsizetype) { return readLine(line, start); });
    if (!reason.isEmpty())
        return reason;
    if (m_last != Record::End) {
        // The first record the manifest lacks: the next one after the last read that must be there.
        Record missing = m_started ? Record(int(m_last) + 1) : Record::Header;
        while (repeats(missing))
            missing = Record(int(missing) + 1);
        return QStringLiteral("the %1 line is missing").arg(QLatin1String(keywordOf(missing)));
    }
    return {};
}

QString ManifestParser::readLine(QByteArrayView line, qsizetype lineStart) {
    if (line.size() > text::kLineLimit)
        return QStringLiteral("longer than %1 bytes").arg(text::kLineLimit);
    for (char c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return QStringLiteral("a control character");
    }
    const qsizetype space = line.indexOf(' ');
    if (space < 0)
        return QStringLiteral("a keyword without a value");
    const QByteArrayView keyword = line.first(space);
    const QByteArrayView value = line.sliced(space + 1);
    const std::optional<Record> record = recordOf(keyword);
    if (!record)
        return QStringLiteral("unknown keyword '%1'").arg(shown(keyword));
    if (const QString reason = checkOrder(*record); !reason.isEmpty())
        return reason;
    m_started = true;
    m_last = *record;

    switch (*record) {
    case Record::Header:
        if (value == QByteArrayView("1"))
            m_version = ManifestData::kFormatVersion;
        else if (value == QByteArrayView("2"))
            m_version = ManifestData::kIndexFormatVersion;
        else
            return QStringLiteral("format version '%1' is not supported").arg(shown(value));
        return {};
    case Record::Serial:
    case Record::Expires: {
        const std::optional<qint64> number = StrictLines::number(value, kNumberDigits);
        if (!number)
            return QStringLiteral("not a decimal number");
        (*record == Record::Serial ? m_data.serial : m_data.expires) = *number;
        return {};
    }
    case Record::List: {
        const std::optional<Sha256Digest> digest = sha256FromHex(value);
        if (!digest)
            return QStringLiteral("not a SHA-256 digest in hexadecimal");
        m_data.list = *digest;
        return {};
    }
    case Record::File:
        return readFile(value);
    case Record::Index:
        return readIndex(value);
    case Record::NextKey: {
        std::optional<TrustedKey> key;
        if (const QString reason = readKey(value, key); !reason.isEmpty())
            return reason;
        for (const TrustedKey& known : m_data.nextKeys) {
            if (known == *key)
                return QStringLiteral("a next key given twice");
        }
        if (qsizetype(m_data.nextKeys.size()) >= text::kNextKeyLimit)
            return QStringLiteral("more than %1 next keys").arg(text::kNextKeyLimit);
        m_data.nextKeys.push_back(*key);
        return {};
    }
    case Record::Signer:
        return readKey(value, m_signer);
    case Record::Signature: {
        const std::optional<QByteArray> signature = readBase64(value);
        if (!signature || signature->size() != kSignatureSize)
            return QStringLiteral("not a 64-byte signature in base64");
        m_signature = *signature;
        m_signedBytes = m_bytes.first(lineStart).toByteArray();
        m_last = Record::End;
        return {};
    }
    case Record::End:
        break;
    }
    return QStringLiteral("nothing may follow the signature");
}

QString ManifestParser::checkOrder(Record record) const {
    const QString keyword = QLatin1String(keywordOf(record));
    if (m_last == Record::End)
        return QStringLiteral("nothing may follow the signature");
    if (!m_started)
        return record == Record::Header ? QString() : QStringLiteral("the manifest must start with its header");
    if (record == m_last && !repeats(record))
        return QStringLiteral("a second %1 line").arg(keyword);
    if (record < m_last)
        return QStringLiteral("%1 out of place").arg(keyword);
    // Every record between the last one read and this one may be absent only if it repeats.
    for (int between = int(m_last) + 1; between < int(record); ++between) {
        const Record skipped = Record(between);
        if (!repeats(skipped))
            return QStringLiteral("the %1 line is missing before %2").arg(QLatin1String(keywordOf(skipped)), keyword);
    }
    return {};
}

QString ManifestParser::readFile(QByteArrayView fields) {
    // "<packed> <unpacked> <name>", the name being the rest of the line.
    constexpr qsizetype kHex = 64;
    if (fields.size() < 2 * kHex + 3 || fields[kHex] != ' ' || fields[2 * kHex + 1] != ' ')
        return QStringLiteral("a file line needs two digests and a name");
    const std::optional<Sha256Digest> packed = sha256FromHex(fields.first(kHex));
    const std::optional<Sha256Digest> unpacked = sha256FromHex(fields.sliced(kHex + 1, kHex));
    if (!packed || !unpacked)
        return QStringLiteral("not a SHA-256 digest in hexadecimal");
    const std::optional<QString> name = readName(fields.sliced(2 * kHex + 2));
    if (!name)
        return QStringLiteral("a name that is not UTF-8 or that a file list cannot hold");
    if (m_fileAt.contains(ManifestData::nameKey(*name)))
        return QStringLiteral("%1 is named twice").arg(*name);
    m_fileAt.insert(ManifestData::nameKey(*name), m_data.files.size());
    m_data.files.push_back({*name, *packed, *unpacked, std::nullopt});
    return {};
}

QString ManifestParser::readIndex(QByteArrayView fields) {
    // "<index> <name>", the name being the rest of the line and one that a file line gave.
    constexpr qsizetype kHex = 64;
    if (m_version < ManifestData::kIndexFormatVersion)
        return QStringLiteral("index lines need format version %1").arg(ManifestData::kIndexFormatVersion);
    if (fields.size() < kHex + 2 || fields[kHex] != ' ')
        return QStringLiteral("an index line needs a digest and a name");
    const std::optional<Sha256Digest> index = sha256FromHex(fields.first(kHex));
    if (!index)
        return QStringLiteral("not a SHA-256 digest in hexadecimal");
    const std::optional<QString> name = readName(fields.sliced(kHex + 1));
    if (!name)
        return QStringLiteral("a name that is not UTF-8 or that a file list cannot hold");
    const auto at = m_fileAt.constFind(ManifestData::nameKey(*name));
    if (at == m_fileAt.cend())
        return QStringLiteral("an index of %1, which no file line names").arg(*name);
    ManifestFile& file = m_data.files[*at];
    if (file.index)
        return QStringLiteral("a second index of %1").arg(*name);
    file.index = *index;
    return {};
}

bool ManifestParser::repeats(Record record) {
    return record == Record::File || record == Record::Index || record == Record::NextKey;
}

std::optional<QString> ManifestParser::readName(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString name = utf8(bytes);
    if (utf8.hasError() || !text::isWritableName(name))
        return std::nullopt;
    return name;
}

QString ManifestParser::readKey(QByteArrayView field, std::optional<TrustedKey>& key) const {
    const std::optional<QByteArray> raw = readBase64(field);
    if (!raw)
        return QStringLiteral("not a key in base64");
    Result<TrustedKey> read = TrustedKey::fromRaw(*raw);
    if (!read.ok())
        return read.error();
    key = std::move(read).value();
    return {};
}

std::optional<ManifestParser::Record> ManifestParser::recordOf(QByteArrayView keyword) {
    for (int r = int(Record::Header); r < int(Record::End); ++r) {
        if (keyword == QByteArrayView(keywordOf(Record(r))))
            return Record(r);
    }
    return std::nullopt;
}

const char* ManifestParser::keywordOf(Record record) {
    switch (record) {
    case Record::Header:
        return text::kHeader;
    case Record::Serial:
        return text::kSerial;
    case Record::Expires:
        return text::kExpires;
    case Record::List:
        return text::kList;
    case Record::File:
        return text::kFile;
    case Record::Index:
        return text::kIndex;
    case Record::NextKey:
        return text::kNextKey;
    case Record::Signer:
        return text::kSigner;
    case Record::Signature:
    case Record::End:
        break;
    }
    return text::kSignature;
}

} // namespace kaldoria::trust
