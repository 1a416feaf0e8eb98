#include "ArchiveEntryName.h"

#include <QRegularExpression>

#include <algorithm>

namespace kaldoria::unpack {

namespace {

bool isSeparator(QChar c) {
    return c == u'/' || c == u'\\';
}

} // namespace

QStringList ArchiveEntryName::components(const QString& storedName) {
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    return storedName.split(separators, Qt::SkipEmptyParts);
}

QString ArchiveEntryName::lastComponent(const QString& storedName) {
    qsizetype start = storedName.size();
    while (start > 0 && !isSeparator(storedName[start - 1]))
        --start;
    return storedName.mid(start);
}

std::optional<QString> ArchiveEntryName::refusal(const QString& storedName, bool restoreFolder) {
    if (!storedName.isEmpty() && isSeparator(storedName[0]))
        return QStringLiteral("absolute name");
    if (storedName.size() >= 2 && storedName[1] == u':' && storedName[0].isLetter())
        return QStringLiteral("name with a drive");
    const QStringList parts = components(storedName);
    if (parts.contains(QStringLiteral("..")))
        return QStringLiteral("name with a \"..\" component");
    if (std::all_of(parts.begin(), parts.end(), [](const QString& p) { return p == u"."; }))
        return QStringLiteral("name that names nothing");
    if (!restoreFolder) {
        const QString last = lastComponent(storedName);
        if (last.isEmpty() || last == QStringLiteral("."))
            return QStringLiteral("name that names nothing");
    }
    return std::nullopt;
}

} // namespace kaldoria::unpack
