#include "platform/NativePath.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace kaldoria::platform {

namespace {

bool exists(const QString& path) {
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// The entry of `folder` whose name equals `name` ignoring case, or an empty string.
QString findIgnoringCase(const QString& folder, const QString& name) {
    const QDir dir(folder);
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return {};
}

} // namespace

QString nativePath(const QString& path) {
    QString spelled = path;
    spelled.replace(u'\\', u'/');
    if (spelled.isEmpty() || exists(spelled))
        return spelled;

    const QStringList parts = spelled.split(u'/');
    QString resolved; // empty after the root of an absolute path
    bool lost = false;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        const QString candidate = i == 0 ? part : resolved + u'/' + part;
        if (lost || part.isEmpty() || part == QStringLiteral(".") || part == QStringLiteral("..") ||
            exists(candidate)) {
            resolved = candidate;
            continue;
        }
        const QString folder = i == 0 ? QStringLiteral(".") : resolved.isEmpty() ? QStringLiteral("/") : resolved;
        const QString found = findIgnoringCase(folder, part);
        lost = found.isEmpty();
        resolved = lost ? candidate : i == 0 ? found : resolved + u'/' + found;
    }
    return resolved;
}

} // namespace kaldoria::platform
