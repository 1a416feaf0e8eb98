#include "update/FailureTexts.h"

#include "update/ByteSizeText.h"

namespace kaldoria::update {

namespace {

// A configured text without the placeholder still shows the number, after it.
QString withNumber(const QString& text, const QString& number) {
    if (text.contains(QStringLiteral("%1")))
        return QString(text).replace(QStringLiteral("%1"), number);
    return text + QStringLiteral(": ") + number;
}

} // namespace

QString FailureTexts::filesFailed(const QString& configured, int count) {
    if (!configured.isEmpty())
        return withNumber(configured, QString::number(count));
    return count == 1 ? QStringLiteral("1 file could not be updated.")
                      : QStringLiteral("%1 files could not be updated.").arg(count);
}

QString FailureTexts::diskFull(const QString& configured, qint64 bytesNeeded, qint64 bytesFree) {
    const QString text = configured.isEmpty() ? QStringLiteral("The disk is full: %1 needed, %2 free.") : configured;
    return withNumber(text, byteSizeText(static_cast<double>(bytesNeeded)))
        .replace(QStringLiteral("%2"), byteSizeText(static_cast<double>(bytesFree)));
}

} // namespace kaldoria::update
