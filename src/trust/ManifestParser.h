#pragma once

#include "trust/ParsedManifest.h"
#include "trust/Result.h"

#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <optional>

namespace kaldoria::trust {

// Reads the text form of a signed manifest (SignedManifest describes it) record by record,
// each in its fixed place, and stops at the first line that does not fit.
class ManifestParser {
public:
    static Result<ParsedManifest> parse(QByteArrayView bytes);

private:
    // The records in their order; File, Index and NextKey repeat.
    enum class Record { Header, Serial, Expires, List, File, Index, NextKey, Signer, Signature, End };

    explicit ManifestParser(QByteArrayView bytes) : m_bytes(bytes) {}

    // The reason the manifest is refused, or empty when it was read whole.
    QString run();
    // Reads one line's record; the reason when it does not fit.
    QString readLine(QByteArrayView line, qsizetype lineStart);
    // Whether `record` may follow the records read so far; the reason when not.
    QString checkOrder(Record record) const;
    QString readFile(QByteArrayView fields);
    QString readIndex(QByteArrayView fields);
    static bool repeats(Record record);
    static std::optional<QString> readName(QByteArrayView bytes);
    QString readKey(QByteArrayView field, std::optional<TrustedKey>& key) const;

    static std::optional<Record> recordOf(QByteArrayView keyword);
    static const char* keywordOf(Record record);

    QByteArrayView m_bytes;
    Record m_last = Record::Header;
    bool m_started = false;
    ManifestData m_data;
    QByteArray m_signedBytes;
    QByteArray m_signature;
    std::optional<TrustedKey> m_signer;
    int m_version = 0;
    // Where each file's entry stands in m_data.files, by its name's key.
    QHash<QString, std::size_t> m_fileAt;
};

} // namespace kaldoria::trust
