#include "update/source/LocalSource.h"

namespace kaldoria::update {

LocalSource LocalSource::fromArguments(const QStringList& arguments) {
    LocalSource source;
    if (arguments.size() < 2)
        return source;
    const QString& first = arguments.at(1);
    const qsizetype eq = first.indexOf(QLatin1Char('='));
    if (eq < 0)
        return source;
    const QString folder = first.mid(eq + 1);
    if (first.left(eq).toLower() != QLatin1String("filemode") || folder.isEmpty())
        return source;
    source.enabled = true;
    source.folder = folder;
    if (!folder.endsWith(QLatin1Char('/')) && !folder.endsWith(QLatin1Char('\\')))
        source.folder += QLatin1Char('/');
    return source;
}

} // namespace kaldoria::update
