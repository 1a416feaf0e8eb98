#pragma once

#include "filelist/TFileRecord.h"

#include <QString>

#include <optional>

namespace kaldoria::filelist {

// One line of the list text format: Hash|Name|Size|Date|HashPacked.
class ListLineFormat {
public:
    struct Parsed {
        TFileRecord record;
        QString error; // set when the date field could not be read; the record is then void
    };

    // The fields of `line`. Missing fields are empty or 0; text after a fifth "|" is ignored.
    static Parsed parse(const QString& line);

    // `record` as a line: the date as the 16 upper-case hexadecimal digits of its bits.
    static QString format(const TFileRecord& record);

    // A size field: a 64-bit signed decimal number, or 0 when it is not one.
    static qint64 parseSize(const QString& text);

    // A date field: empty gives 0; without a space, the hexadecimal bit pattern of the value
    // (0 when it is not valid hexadecimal); with a space, a date and time in the user's
    // locale, or nothing when it is not a valid one.
    static std::optional<TDateTime> parseDate(const QString& text);
};

} // namespace kaldoria::filelist
