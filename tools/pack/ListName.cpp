#include "ListName.h"

namespace kaldoria::pack {

QString relativePath(const QString& listed) {
    return listed.mid(1).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

} // namespace kaldoria::pack
