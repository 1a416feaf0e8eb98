#include "download/ResumeRecord.h"

#include "platform/RandomAccessFile.h"

#include <QCryptographicHash>
#include <QFile>

#include <cstdio>

namespace kaldoria::download {

namespace {

QString temporaryOf(const QString& path) {
    return path + QStringLiteral(".new");
}

const QByteArray kFirstLine = QByteArrayLiteral("Kaldoria resume 1");
// A control file is a few hundred bytes; anything far larger is not one.
constexpr qint64 kMostBytes = 1024 * 1024;

QByteArray checkOf(const QByteArray& text) {
    return QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex();
}

// A decimal number of digits only, without sign or leading zeros beyond a lone "0".
std::optional<qint64> numberOf(const QByteArray& text) {
    if (text.isEmpty() || (text.size() > 1 && text.startsWith('0')))
        return std::nullopt;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

} // namespace

void ResumeRecord::addWritten(qint64 first, qint64 last) {
    if (last < first)
        return;
    if (!written.empty() && written.back().last + 1 >= first) {
        written.back().last = std::max(written.back().last, last);
        return;
    }
    written.push_back({first, last});
}

qint64 ResumeRecord::writtenBytes() const {
    qint64 total = 0;
    for (const Span& span : written)
        total += span.last - span.first + 1;
    return total;
}

QByteArray ResumeRecord::toText() const {
    QByteArray text = kFirstLine + '\n';
    text += "address " + address.toUtf8() + '\n';
    text += "length " + QByteArray::number(length) + '\n';
    text += "validator " + validator + '\n';
    for (const Span& span : written)
        text += "written " + QByteArray::number(span.first) + ' ' + QByteArray::number(span.last) + '\n';
    return text + "check " + checkOf(text) + '\n';
}

std::optional<ResumeRecord> ResumeRecord::fromText(const QByteArray& text) {
    const qsizetype checkAt = text.lastIndexOf("\ncheck ");
    if (checkAt < 0 || !text.endsWith('\n'))
        return std::nullopt;
    const QByteArray body = text.left(checkAt + 1);
    if (text.mid(checkAt + 7) != checkOf(body) + '\n')
        return std::nullopt;
    QList<QByteArray> lines = body.split('\n');
    lines.removeLast(); // after the last line end
    if (lines.size() < 4 || lines[0] != kFirstLine || !lines[1].startsWith("address ") ||
        !lines[2].startsWith("length ") || !lines[3].startsWith("validator "))
        return std::nullopt;
    ResumeRecord record;
    record.address = QString::fromUtf8(lines[1].mid(8));
    const std::optional<qint64> length = numberOf(lines[2].mid(7));
    record.validator = lines[3].mid(10);
    if (!length || *length <= 0 || record.address.isEmpty() || record.validator.isEmpty())
        return std::nullopt;
    record.length = *length;
    for (qsizetype i = 4; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split(' ');
        if (fields.size() != 3 || fields[0] != "written")
            return std::nullopt;
        const std::optional<qint64> first = numberOf(fields[1]);
        const std::optional<qint64> last = numberOf(fields[2]);
        const qint64 floor = record.written.empty() ? 0 : record.written.back().last + 2;
        if (!first || !last || *first < floor || *last < *first || *last >= record.length)
            return std::nullopt;
        record.written.push_back({*first, *last});
    }
    return record;
}

void ResumeRecord::remove(const QString& path) {
    QFile::remove(path);
    QFile::remove(temporaryOf(path));
}

std::optional<ResumeRecord> ResumeRecord::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMostBytes)
        return std::nullopt;
    return fromText(file.readAll());
}

bool ResumeRecord::save(const QString& path) const {
    const QString temporary = temporaryOf(path);
    const QByteArray text = toText();
    {
        const std::unique_ptr<platform::RandomAccessFile> file = platform::RandomAccessFile::create(temporary);
        if (!file || !file->writeAt(0, text.constData(), text.size()) || !file->flush()) {
            QFile::remove(temporary);
            return false;
        }
    }
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(temporary);
        return false;
    }
    return true;
}

} // namespace kaldoria::download
