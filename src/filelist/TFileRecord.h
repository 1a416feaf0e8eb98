#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace kaldoria::filelist {

// A date-time value: days since 1899-12-30 00:00 as a binary64, the fraction being the time
// of day; file dates are local time; 0 means unknown (see platform/DayCount.h).
using TDateTime = double;

// The digest string that stands for "no digest known" or "nothing to check".
inline QString ZeroDigest() {
    return QStringLiteral("00000000000000000000000000000000");
}

// The digest string of a digest's raw bytes: upper-case hexadecimal digits.
inline QString DigestString(const QByteArray& digest) {
    return QString::fromLatin1(digest.toHex().toUpper());
}

// One file of the game client as a list records it.
struct TFileRecord {
    QString Name;       // relative to the client folder, starting with "\", spelled as added
    QString Hash;       // digest string of the content, or ZeroDigest()
    QString HashPacked; // digest string of the packed download form, or ZeroDigest()
    qint64 Size = 0;
    TDateTime Date = 0;

    bool operator==(const TFileRecord&) const = default;
};

} // namespace kaldoria::filelist
