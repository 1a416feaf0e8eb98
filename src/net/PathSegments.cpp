#include "net/PathSegments.h"

namespace kaldoria::net {

QString encodePathSegments(const QString& relativePath) {
    QString path = relativePath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // Qt leaves exactly the unreserved characters alone and writes upper-case digits; the
    // separator is excluded so that it stays one.
    return QString::fromLatin1(path.toUtf8().toPercentEncoding("/"));
}

} // namespace kaldoria::net
