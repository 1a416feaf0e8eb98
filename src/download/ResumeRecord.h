#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace kaldoria::download {

// What a control file beside a partly fetched file says: the file's address, its length and
// the server's validator for it (an ETag, else a Last-Modified date), and the byte spans of
// the target that were on the disk when the record was written. A later run fetches only the
// rest, as long as the server still names the file by the same validator.
//
// The text is one field per line, ending in a line with the SHA-256 of every byte before it:
//   Kaldoria resume 1
//   address http://host/path.kdz
//   length 1048576
//   validator "6650a3c1-100000"
//   written 0 8388607
//   check <64 hex digits>
// A record that does not read exactly so (torn, edited, of another version) is no record.
struct ResumeRecord {
    struct Span {
        qint64 first = 0;
        qint64 last = 0; // inclusive
        bool operator==(const Span&) const = default;
    };

    QString address;
    qint64 length = 0;
    QByteArray validator;
    std::vector<Span> written; // ascending, neither overlapping nor touching

    bool operator==(const ResumeRecord&) const = default;

    // The control file kept beside `target`.
    static QString controlPath(const QString& target) { return target + QStringLiteral(".resume"); }
    // Removes the control file at `path` and a temporary that a crash while saving it left.
    static void remove(const QString& path);

    // Adds a span, joining it with the ones it touches; spans must come in ascending order.
    void addWritten(qint64 first, qint64 last);
    qint64 writtenBytes() const;

    QByteArray toText() const;
    static std::optional<ResumeRecord> fromText(const QByteArray& text);

    // The record in the control file at `path`; none when it is missing or does not read.
    static std::optional<ResumeRecord> load(const QString& path);
    // Replaces the control file at `path` whole, through a temporary file beside it that is
    // flushed before it is renamed, so that a crash leaves the old record or the new one.
    bool save(const QString& path) const;
};

} // namespace kaldoria::download
