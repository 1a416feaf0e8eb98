#pragma once

#include <QString>

#include <optional>

namespace kaldoria::startup {

// A value line of the configuration text: its key and the string reading of its value.
struct ConfigEntry {
    QString key;
    QString value;
};

// How one trimmed line of the configuration text reads, for the parser and for the
// operators' tool that checks a text before packing it.
class ConfigLine {
public:
    // Where a header line's section name ends: its first "=", else its first "]"; -1
    // when it has neither.
    static qsizetype headerNameEnd(const QString& line);

    // The section a header line opens: the text between "[" and the name's end, trimmed
    // and lower-cased; empty when the name has no end.
    static QString headerSection(const QString& line);

    // A value line split at its first "=": the key trimmed and lower-cased, the value
    // trimmed and, when it starts with "[", without that "[" and a final "]". Nothing for
    // a line without "=".
    static std::optional<ConfigEntry> entry(const QString& line);
};

} // namespace kaldoria::startup
