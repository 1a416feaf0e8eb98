#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kaldoria::platform {

// Text as the launcher reads and writes it: a byte-order mark (UTF-8, UTF-16 LE or BE)
// selects the encoding, otherwise the system's 8-bit code page (here the locale's encoding).
class TextCodec {
public:
    static QString decode(const QByteArray& bytes);

    // Encodes in the system code page, without a byte-order mark.
    static QByteArray encodeSystem(const QString& text);

    // Lines of `text`, ended by CR LF, a lone CR or a lone LF; the last line needs no break,
    // and a final break does not add an empty line.
    static QStringList splitLines(const QString& text);

    // decode() then splitLines().
    static QStringList decodeLines(const QByteArray& bytes) { return splitLines(decode(bytes)); }

    // `lines`, each followed by CR LF, in the system code page.
    static QByteArray encodeLines(const QStringList& lines);

    // Removes blanks and control characters (code points up to U+0020) at both ends.
    static QString trimControls(const QString& text);
};

} // namespace kaldoria::platform
