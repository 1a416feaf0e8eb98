#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

namespace kaldoria::trust {

// Reads a strict text form: splits it into lines that each end in a single LF and hands
// them, in order, to a reader; the first line the reader refuses stops the reading, and its
// reason is given with the line's number in front. Also reads the form's decimal fields.
class StrictLines {
public:
    // Reads one line (without its LF) that starts at byte `start` and is the `number`th,
    // counted from 1; the reason it is refused, or empty.
    using LineReader = std::function<QString(QByteArrayView line, qsizetype start, qsizetype number)>;

    // The reason `bytes` is refused: larger than `sizeLimit`, empty, a last line without its
    // LF, or a line `readLine` refused. Empty when every line was read.
    static QString read(QByteArrayView bytes, qsizetype sizeLimit, const LineReader& readLine);

    // A decimal number field: digits only, no sign, no leading zero but in "0", at most
    // `maxDigits` of them (18 at most, so that the value always fits); nothing for other text.
    static std::optional<qint64> number(QByteArrayView text, qsizetype maxDigits);
};

} // namespace kaldoria::trust
