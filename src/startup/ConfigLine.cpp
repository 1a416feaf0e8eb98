#include "startup/ConfigLine.h"

#include "platform/TextCodec.h"

namespace kaldoria::startup {

using platform::TextCodec;

qsizetype ConfigLine::headerNameEnd(const QString& line) {
    const qsizetype eq = line.indexOf(u'=');
    return eq >= 0 ? eq : line.indexOf(u']');
}

QString ConfigLine::headerSection(const QString& line) {
    const qsizetype end = headerNameEnd(line);
    return end < 0 ? QString() : TextCodec::trimControls(line.mid(1, end - 1)).toLower();
}

std::optional<ConfigEntry> ConfigLine::entry(const QString& line) {
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    QString value = TextCodec::trimControls(line.mid(eq + 1));
    if (value.startsWith(u'[')) {
        value.remove(0, 1);
        if (value.endsWith(u']'))
            value.chop(1);
    }
    return ConfigEntry{TextCodec::trimControls(line.left(eq)).toLower(), value};
}

} // namespace kaldoria::startup
