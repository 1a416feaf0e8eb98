#include "update/settings/SettingsDataFile.h"

#include "platform/TextCodec.h"
#include "startup/DecompressStream.h"
#include "startup/XorStreamWithKey.h"

#include <QBuffer>
#include <QFile>

namespace kaldoria::update {

namespace {
const QByteArray kKey = QByteArrayLiteral("Wardle_Options");
// A settings text is small; a larger output means a damaged or hostile file.
constexpr qint64 kMaxText = 16 * 1024 * 1024;
} // namespace

std::optional<QStringList> SettingsDataFile::read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    QBuffer scrambled(&bytes);
    scrambled.open(QIODevice::ReadWrite);
    if (!startup::XorStreamWithKey(scrambled, kKey))
        return std::nullopt;
    scrambled.seek(0);
    QByteArray text;
    QBuffer plain(&text);
    plain.open(QIODevice::WriteOnly);
    if (!startup::DecompressStream(scrambled, plain, kMaxText))
        return std::nullopt;
    QStringList lines;
    for (const QString& raw : platform::TextCodec::decodeLines(text)) {
        const QString line = platform::TextCodec::trimControls(raw).toLower();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('/')))
            continue;
        lines.append(line);
    }
    return lines;
}

} // namespace kaldoria::update
