#include "ConfigTextCheck.h"

#include "platform/TextCodec.h"
#include "startup/ConfigLine.h"
#include "startup/tConfigData.h"

namespace kaldoria::pack {

using platform::TextCodec;
using startup::ConfigLine;

QStringList checkConfigText(const QString& file, const QByteArray& text) {
    QStringList warnings;
    QString section;
    const QStringList lines = TextCodec::decodeLines(text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = TextCodec::trimControls(lines[i]);
        if (line.startsWith(u'[')) {
            section = ConfigLine::headerSection(line);
            continue;
        }
        const std::optional<startup::ConfigEntry> entry = ConfigLine::entry(line);
        if (section != u"updateservers" || !entry || entry->key != u"url")
            continue;
        const QString address = TextCodec::trimControls(entry->value);
        if (startup::tConfigData::UpdateServerBase(address) != address)
            warnings << u"%1 line %2: update server address '%3' does not end with '/'; launchers add it"_qs.arg(
                file, QString::number(i + 1), address);
    }
    return warnings;
}

} // namespace kaldoria::pack
